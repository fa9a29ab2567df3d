// Runs the built program in a temporary directory with prepared standard input
// and checks what it leaves: standard output, standard error, exit status and
// the bytes of rezult.txt.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "linsolve/vector_forms.hpp"

namespace fs = std::filesystem;

// GCC names the address sanitizer by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__)
#define VORTEX_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VORTEX_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void spit(const fs::path& p, const std::string& text) {
  std::ofstream out(p, std::ios::binary);
  out << text;
}

struct Outcome {
  int status = -1;  // the exit status, -1 when a signal ended the program
  int signal = 0;
  std::string out;
  std::string err;
  bool has_results = false;
  std::string results;

  std::string first_err_line() const { return err.substr(0, err.find('\n')); }
};

const char* const kPrompts = " vvedite kol-vo vihrej\n vvedite skorost\n";

// A cross build runs the program through the emulator CTest uses, given as its
// words separated by spaces.
#ifndef VORTEX_EMULATOR
#define VORTEX_EMULATOR ""
#endif

// The words that start the program: the emulator's, if any, then the program.
std::vector<std::string> program_command(const char* program) {
  std::vector<std::string> words;
  std::istringstream emulator(VORTEX_EMULATOR);
  for (std::string word; emulator >> word;) words.push_back(word);
  words.push_back(program);
  return words;
}

class Program : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/vortex-e2e-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    root_ = tmpl;
    work_ = root_ / "work";
    fs::create_directory(work_);
    // The unprivileged run must be able to enter and write the folder.
    fs::permissions(root_, fs::perms::all);
    fs::permissions(work_, fs::perms::all);
  }
  void TearDown() override { fs::remove_all(root_); }

  // What a run meets besides its input: a stream closed or sent elsewhere, and
  // limits on the process.
  struct Setting {
    bool unprivileged = false;  // run as nobody when the tests run as root
    bool close_stdout = false;
    bool close_stderr = false;
    const char* input_path = nullptr;   // standard input from this file instead
    const char* output_path = nullptr;  // standard output to this file instead
    bool output_to_closed_pipe = false;
    bool error_to_closed_pipe = false;
    rlim_t file_size_limit = RLIM_INFINITY;
    rlim_t memory_limit = RLIM_INFINITY;
    std::vector<std::string> arguments;
    int input_fd = -1;     // standard input from this descriptor instead
    std::string tag = "";  // names this run's output files, for runs side by side
    const char* program = VORTEX_BINARY;
    const char* form = nullptr;  // VORTEX_FORM, unset when null
  };

  // Runs the program with the given standard input. With unprivileged set and
  // the tests running as root, the program runs as nobody so that permission
  // bits apply to it.
  Outcome run(const std::string& input, bool unprivileged = false) {
    Setting setting;
    setting.unprivileged = unprivileged;
    return run(input, setting);
  }

  Outcome run(const std::string& input, const Setting& setting) {
    return finish(start(input, setting), setting);
  }

  // Starts the program and returns at once; finish waits for it.
  pid_t start(const std::string& input, const Setting& setting) {
    const std::string tag = setting.tag;
    spit(root_ / (tag + "stdin"), input);
    // With unprivileged set and the tests running as root, setpriv starts the
    // program as nobody.
    std::vector<std::string> command = program_command(setting.program);
    command.insert(command.end(), setting.arguments.begin(), setting.arguments.end());
    if (setting.unprivileged && geteuid() == 0)
      command.insert(command.begin(),
                     {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"});
    std::vector<char*> argv;
    for (std::string& word : command) argv.push_back(word.data());
    argv.push_back(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
      if (chdir(work_.c_str()) != 0) _exit(200);
      const std::string in_path = setting.input_path ? setting.input_path : root_ / (tag + "stdin");
      const std::string out_path =
          setting.output_path ? setting.output_path : root_ / (tag + "stdout");
      int in = setting.input_fd >= 0 ? setting.input_fd : open(in_path.c_str(), O_RDONLY);
      int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      int err = open((root_ / (tag + "stderr")).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0 || err < 0) _exit(201);
      int pipe_ends[2] = {-1, -1};
      if (setting.output_to_closed_pipe || setting.error_to_closed_pipe) {
        if (pipe(pipe_ends) != 0) _exit(204);
        close(pipe_ends[0]);  // the reader has gone before the first prompt
        if (setting.output_to_closed_pipe) out = pipe_ends[1];
        if (setting.error_to_closed_pipe) err = pipe_ends[1];
      }
      dup2(in, 0);
      dup2(out, 1);
      dup2(err, 2);
      if (setting.close_stdout) close(1);
      if (setting.close_stderr) close(2);
      const rlimit size{setting.file_size_limit, setting.file_size_limit};
      const rlimit memory{setting.memory_limit, setting.memory_limit};
      if (setrlimit(RLIMIT_FSIZE, &size) != 0 || setrlimit(RLIMIT_AS, &memory) != 0) _exit(203);
      if (setting.form != nullptr ? setenv("VORTEX_FORM", setting.form, 1) != 0
                                  : unsetenv("VORTEX_FORM") != 0)
        _exit(205);
      alarm(60);  // a run that hangs ends as killed, not never
      // A write to a pipe whose reader has gone raises the signal, as under a shell.
      std::signal(SIGPIPE, SIG_DFL);
      execvp(argv[0], argv.data());
      _exit(202);
    }
    return pid;
  }

  Outcome finish(pid_t pid, const Setting& setting) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    Outcome r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.signal = WIFSIGNALED(wstatus) ? WTERMSIG(wstatus) : 0;
    r.out = slurp(root_ / (setting.tag + "stdout"));
    r.err = slurp(root_ / (setting.tag + "stderr"));
    std::error_code unreadable;  // a symbolic link loop, for one
    r.has_results = fs::is_regular_file(results_path(), unreadable);
    if (r.has_results) r.results = slurp(results_path());
    return r;
  }

  // Waits up to ten seconds for a run's output file to hold the text.
  bool shows(const std::string& file, const std::string& text) {
    for (int tries = 0; tries < 1000; ++tries) {
      if (slurp(root_ / file).find(text) != std::string::npos) return true;
      usleep(10000);
    }
    return false;
  }

  fs::path results_path() const { return work_ / "rezult.txt"; }

  fs::path root_;
  fs::path work_;
};

std::string reference(const std::string& name, const std::string& file) {
  return slurp(fs::path(REFERENCE_DIR) / name / file);
}

int reference_status(const std::string& name) { return std::stoi(reference(name, "status.txt")); }

// The records of a results file, each without its CR LF; fails on a record of the
// wrong length or terminator.
std::vector<std::string> records(const std::string& results) {
  std::vector<std::string> rows;
  for (std::size_t at = 0; at < results.size(); at += 20) {
    EXPECT_LE(at + 20, results.size()) << "incomplete record";
    if (at + 20 > results.size()) break;
    EXPECT_EQ(results.substr(at + 18, 2), "\r\n");
    rows.push_back(results.substr(at, 18));
  }
  return rows;
}

struct ReferenceCase {
  const char* name;
  const char* input;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.name; }

class ReferenceRun : public Program, public ::testing::WithParamInterface<ReferenceCase> {};

TEST_P(ReferenceRun, MatchesTheIndependentRunByteForByteInEveryForm) {
  const ReferenceCase& c = GetParam();
  // The program's own form, then each that VORTEX_FORM can name: one the
  // processor runs is taken without a word; one the processor or the build
  // lacks, or a name of none, is said in one line and the program's own form
  // runs, also where that line cannot be written (a reader that has gone).
  struct Request {
    const char* form;
    bool error_to_closed_pipe;
  };
  for (const auto& [form, gone] :
       {Request{"", false}, Request{"plain", false}, Request{"sse2", false}, Request{"avx2", false},
        Request{"avx512", false}, Request{"neon", false}, Request{"widest", false},
        Request{"widest", true}}) {
    Setting setting;
    if (*form != '\0') setting.form = form;
    setting.error_to_closed_pipe = gone;
    Outcome r = run(c.input, setting);
    EXPECT_EQ(r.status, reference_status(c.name)) << form;
    EXPECT_EQ(r.out, reference(c.name, "stdout.txt")) << form;
    const std::string said = "vortex: VORTEX_FORM=" + std::string(form) + " ";
    if (gone || *form == '\0' || linsolve::offered(linsolve::find_form(form))) {
      EXPECT_EQ(r.err, "") << form;
    } else {
      EXPECT_EQ(r.err.substr(0, said.size()), said);
      EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
      EXPECT_TRUE(r.err.ends_with("\r\n")) << r.err;
    }
    ASSERT_TRUE(r.has_results) << form;
    EXPECT_EQ(r.results, reference(c.name, "rezult.txt")) << form;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, ReferenceRun,
                         ::testing::Values(ReferenceCase{"n10-v20", "10\n20\n"},
                                           ReferenceCase{"n93-v20", "93\n20\n"},
                                           ReferenceCase{"n5.7-v-7", "5.7\n-7\n"},
                                           ReferenceCase{"n0", "0\n20\n"}),
                         [](const auto& run_info) {
                           std::string n = run_info.param.name;
                           for (char& ch : n)
                             if (ch == '.' || ch == '-') ch = '_';
                           return n;
                         });

TEST_F(Program, TenVorticesWriteTheRunningSumsOfATenth) {
  Outcome r = run("10\n20\n");
  std::vector<std::string> rows = records(r.results);
  ASSERT_EQ(rows.size(), 10u);
  EXPECT_EQ(rows[0].substr(0, 9), "  0.10000");
  EXPECT_EQ(rows[5].substr(0, 9), "  0.60000");
  EXPECT_EQ(rows[9].substr(0, 9), "  1.00000");  // 1.0000001 as stored
  EXPECT_EQ(r.out, kPrompts);
}

TEST_F(Program, SixtyFourVorticesRoundTheFirstAbscissaToEven) {
  Outcome r = run("64\n20\n");
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> rows = records(r.results);
  ASSERT_EQ(rows.size(), 64u);
  EXPECT_EQ(rows[0].substr(0, 9), "  0.01562");
}

TEST_F(Program, CountsAtAndBelowTheCapacityRunToCompletion) {
  for (const char* count : {"1", "201", "201.9"}) {
    SCOPED_TRACE(count);
    Outcome r = run(std::string(count) + "\n20\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kPrompts);
    EXPECT_EQ(r.err, "");
    std::vector<std::string> rows = records(r.results);
    EXPECT_EQ(rows.size(), std::string(count) == "1" ? 1u : 201u);
  }
}

TEST_F(Program, OneVortexHasNoInducedVelocitySoThePressureIsTheStagnationValue) {
  Outcome r = run("1\n20\n");
  EXPECT_EQ(r.results, "  1.00000  1.00000\r\n");
}

TEST_F(Program, TwoHundredAndTwoVorticesStopAtTheBoundsCheckLeavingTheFileAsItWas) {
  spit(results_path(), "earlier contents\r\n");
  Outcome r = run("202\n20\n");
  EXPECT_EQ(r.status, 161);
  EXPECT_EQ(r.out, kPrompts);
  EXPECT_EQ(r.first_err_line(),
            "forrtl: severe (161): Program Exception - array bounds exceeded\r");
  // The image column names the program, on every C library and under an emulator.
  EXPECT_NE(r.err.find("\r\nvortex             00000000  PROFIL   "), std::string::npos);
  EXPECT_NE(r.err.find("\r\nvortex             00000000  VORTEX   "), std::string::npos);
  EXPECT_EQ(r.results, "earlier contents\r\n");
}

TEST_F(Program, NegativeCountStopsAtTheSolversOrderCheck) {
  Outcome r = run("-3\n20\n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out,
            std::string(kPrompts) +
                "\n *** TERMINAL ERROR 1 from LSARG.  The number of equations must be positive\n"
                " ***          while N = -3 is given.\n");
  EXPECT_TRUE(r.has_results);
  EXPECT_EQ(r.results, "");
}

TEST_F(Program, ZeroVelocityWritesNotANumberAndEndsNormally) {
  Outcome r = run("5\n0\n");
  EXPECT_EQ(r.status, 0);
  std::vector<std::string> rows = records(r.results);
  ASSERT_EQ(rows.size(), 5u);
  for (const std::string& row : rows) EXPECT_EQ(row.substr(9), " NaN     ");
  EXPECT_EQ(rows[0].substr(0, 9), "  0.20000");
}

TEST_F(Program, LongerEarlierResultsAreCutToThisRun) {
  std::string earlier;
  for (int i = 0; i < 50; ++i) earlier += "  9.99999  9.99999\r\n";
  spit(results_path(), earlier);
  Outcome r = run("10\n20\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.results, reference("n10-v20", "rezult.txt"));
}

// A run killed at any system call after it opened rezult.txt leaves the earlier
// file whole, its own first records whole, or nothing: never its records
// followed by the rest of an earlier, longer file. strace lists the calls of
// one run, then kills a run at each in turn (its when= counts a call's kind
// from the start).
TEST_F(Program, ARunKilledAtAnyStepNeverLeavesTwoRunsMixed) {
#if defined(VORTEX_ADDRESS_SANITIZER)
  GTEST_SKIP() << "the sanitizers' own calls at the start and the end would be most of the list";
#endif
  if (std::string(VORTEX_EMULATOR) != "") GTEST_SKIP() << "strace would follow the emulator";
  Setting strace;
  strace.program = "strace";
  strace.arguments = {"-qq", "-o", "/dev/null", "true"};
  if (run("", strace).status != 0) GTEST_SKIP() << "strace is missing or may not trace here";
  const std::string earlier = run("201\n20\n").results;
  const std::string input = "10\n50\n";
  const std::string own = run(input).results;

  spit(results_path(), earlier);
  const std::string log = root_ / "calls";
  strace.arguments = {"-qq", "-o", log, VORTEX_BINARY};
  ASSERT_EQ(run(input, strace).results, own);
  std::vector<std::string> kills;
  std::map<std::string, int> seen;
  bool opened = false;
  std::istringstream calls(slurp(log));
  for (std::string line; std::getline(calls, line);) {
    const std::string name = line.substr(0, line.find('('));
    const int count = ++seen[name];
    if (opened) kills.push_back("inject=" + name + ":signal=SIGKILL:when=" + std::to_string(count));
    opened = opened || line.find("\"rezult.txt\"") != std::string::npos;
  }
  ASSERT_GT(seen["write"], 0);

  for (const std::string& kill : kills) {
    SCOPED_TRACE(kill);
    spit(results_path(), earlier);
    strace.arguments = {"-qq", "-o", "/dev/null", "-e", kill, VORTEX_BINARY};
    const std::string left = run(input, strace).results;
    EXPECT_TRUE(left == earlier || (left.size() % 20 == 0 && own.rfind(left, 0) == 0)) << left;
  }
}

// Free-form input: every form below reads 10 vortices and a velocity of 20.
TEST_F(Program, FreeFormInputFormsReadTheSameNumbers) {
  const std::string expected = reference("n10-v20", "rezult.txt");
  for (const char* input :
       {"\n\n   \n10\n\n20\n", "10 25\n20\n", "10,25\n20\n", "\t10\t/\n2*20\n", "3*10\n20\n",
        "1d1\n2.0E1\n", "1.0Q1\n+20\n", "1e1 junk\n0.2d+2\n", "10\r\n20\r\n"}) {
    SCOPED_TRACE(input);
    Outcome r = run(input);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, kPrompts);
    EXPECT_EQ(r.results, expected);
  }
}

TEST_F(Program, NullInputLeavesTheCountAtZero) {
  for (const char* input : {"/\n20\n", ",\n20\n", "4*\n20\n"}) {
    SCOPED_TRACE(input);
    Outcome r = run(input);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("while N = 0 is given."), std::string::npos);
  }
}

TEST_F(Program, BadInputEndsWithTheRunTimeError) {
  struct Case {
    const char* input;
    int status;
    const char* line;
  };
  for (const Case& c : {
           Case{"ten\n20\n", 64,
                "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r"},
           Case{"10\ninf\n", 64,
                "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r"},
           Case{"1e39\n20\n", 64,
                "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r"},
           Case{"'10'\n20\n", 59,
                "forrtl: severe (59): list-directed I/O syntax error, unit -4, file CONIN$\r"},
           Case{"", 24, "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r"},
           Case{"\n\n10\n", 24,
                "forrtl: severe (24): end-of-file during read, unit -4, file CONIN$\r"},
       }) {
    SCOPED_TRACE(c.input);
    Outcome r = run(c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.first_err_line(), c.line);
    EXPECT_TRUE(r.has_results);
    EXPECT_EQ(r.results, "");
  }
}

// Each way the results file cannot be opened stops the run before the first
// prompt, with the system's reason on the line after the message, and leaves an
// earlier file as it was. A FIFO that nobody reads is one of them: the run
// must not hang in the opening.
TEST_F(Program, UnopenableResultsFileStopsBeforeTheFirstPromptAndSaysWhy) {
  const fs::perms read_only =
      fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> make;
    int status;
    const char* reason;
  };
  const std::string open_failure = "forrtl: severe (30): open failure, unit 10, file rezult.txt\r";
  for (const Case& c : {
           Case{"read-only file",
                [&](const fs::path& p) {
                  spit(p, "kept\r\n");
                  fs::permissions(p, read_only);
                },
                9, "forrtl: Permission denied\r"},
           Case{"directory", [](const fs::path& p) { fs::create_directory(p); }, 30,
                "forrtl: Is a directory\r"},
           Case{"symbolic link loop",
                [](const fs::path& p) { fs::create_symlink(p.filename(), p); }, 30,
                "forrtl: Too many levels of symbolic links\r"},
           Case{"FIFO without a reader",
                [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0666), 0); }, 30,
                "forrtl: No such device or address\r"},
       }) {
    SCOPED_TRACE(c.what);
    fs::remove_all(results_path());
    c.make(results_path());
    Outcome r = run("10\n20\n", /*unprivileged=*/c.status == 9);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.out, "");
    const std::size_t second = r.err.find('\n') + 1;
    EXPECT_EQ(r.first_err_line(),
              c.status == 9 ? "forrtl: severe (9): permission to access file denied, unit 10, "
                              "file rezult.txt\r"
                            : open_failure);
    EXPECT_EQ(r.err.substr(second, r.err.find('\n', second) - second), c.reason);
    if (c.status == 9) {
      EXPECT_EQ(r.results, "kept\r\n");
    }
  }
}

TEST_F(Program, FailedWriteOfTheResultsIsNotSilent) {
  fs::create_symlink("/dev/full", results_path());
  Outcome r = run("10\n20\n");
  EXPECT_EQ(r.status, 38);
  EXPECT_EQ(r.first_err_line(), "forrtl: severe (38): write failure, unit 10, file rezult.txt\r");
}

// Faults of the environment the run is started in: none may corrupt the
// results, crash the run or pass for success.

TEST_F(Program, AClosedStandardStreamNeverBecomesTheResultsFile) {
  Setting no_output;
  no_output.close_stdout = true;
  Outcome r = run("10\n20\n", no_output);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.results, reference("n10-v20", "rezult.txt"));

  spit(results_path(), "old\r\n");
  Setting no_error;
  no_error.close_stderr = true;
  r = run("202\n20\n", no_error);
  EXPECT_EQ(r.status, 161);
  EXPECT_EQ(r.out, kPrompts);
  EXPECT_EQ(r.results, "old\r\n");
}

TEST_F(Program, AnInputWithoutLineEndsIsAConversionErrorInBoundedMemory) {
  Setting endless;
  endless.input_path = "/dev/zero";
#if !defined(VORTEX_ADDRESS_SANITIZER)
  endless.memory_limit = rlim_t{1} << 30;  // the address sanitizer reserves more than this
#endif
  Outcome r = run("", endless);
  EXPECT_EQ(r.status, 64);
  EXPECT_EQ(r.first_err_line(),
            "forrtl: severe (64): input conversion error, unit -4, file CONIN$\r");
  EXPECT_EQ(r.results, "");
}

TEST_F(Program, AFileSizeLimitKeepsWholeRecordsAndIsAWriteFailure) {
  const std::string full = run("201\n20\n").results;
  Setting limited;
  limited.file_size_limit = 1024;  // room for 51 records and part of the next
  Outcome r = run("201\n20\n", limited);
  EXPECT_EQ(r.status, 38);
  EXPECT_EQ(r.first_err_line(), "forrtl: severe (38): write failure, unit 10, file rezult.txt\r");
  EXPECT_EQ(r.results, full.substr(0, 51 * 20));

  // A limit that refuses the first record leaves an earlier file as it was.
  spit(results_path(), "old\r\n");
  limited.file_size_limit = 0;
  limited.output_path = "/dev/null";  // a device, which the limit does not reach
  r = run("10\n20\n", limited);
  EXPECT_EQ(r.status, 38);
  EXPECT_EQ(r.results, "old\r\n");
}

TEST_F(Program, AStandardOutputThatCannotBeWrittenIsAWriteFailure) {
  for (const bool pipe_closed : {false, true}) {
    SCOPED_TRACE(pipe_closed ? "closed pipe" : "full device");
    Setting unwritable;
    unwritable.output_path = "/dev/full";
    unwritable.output_to_closed_pipe = pipe_closed;
    spit(results_path(), "old\r\n");
    Outcome r = run("10\n20\n", unwritable);
    EXPECT_EQ(r.status, 38);
    EXPECT_EQ(r.first_err_line(), "forrtl: severe (38): write failure, unit -1, file CONOUT$\r");
    EXPECT_EQ(r.results, "old\r\n");
  }
}

TEST_F(Program, HelpAndVersionAnswerWithoutARun) {
  struct Case {
    const char* argument;
    const char* starts;
  };
  for (const Case& c : {Case{"--help", "Usage: vortex [--help | --version]\n"},
                        Case{"--version", "vortex 1.0.0\n"}}) {
    SCOPED_TRACE(c.argument);
    Setting asked;
    asked.arguments = {"--quiet", c.argument};
    Outcome r = run("10\n20\n", asked);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind(c.starts, 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(fs::exists(results_path()));
  }
  // Any other argument is ignored, as it always was.
  Setting other;
  other.arguments = {"-v", "help"};
  Outcome r = run("10\n20\n", other);
  EXPECT_EQ(r.out, kPrompts);
  EXPECT_EQ(r.results, reference("n10-v20", "rezult.txt"));
}

// A second run in the folder waits, saying so and naming the first, while the
// first holds the results file at its prompt; then it writes its own records,
// whole.
TEST_F(Program, TwoRunsInOneFolderTakeTurnsWithTheResultsFile) {
  int input[2];
  ASSERT_EQ(pipe(input), 0);
  Setting first;
  first.tag = "first-";
  first.input_fd = input[0];
  const pid_t waiting_at_prompt = start("", first);
  close(input[0]);
  ASSERT_TRUE(shows("first-stdout", " vvedite kol-vo vihrej\n"));

  Setting second;
  second.tag = "second-";
  const pid_t second_run = start("10\n20\n", second);
  const std::string notice = "vortex: rezult.txt is in use by another run (process " +
                             std::to_string(waiting_at_prompt) +
                             ") in this folder; waiting for it to end\r\n";
  EXPECT_TRUE(shows("second-stderr", notice));

  ASSERT_EQ(write(input[1], "201\n20\n", 8), 8);
  close(input[1]);
  Outcome a = finish(waiting_at_prompt, first);
  Outcome b = finish(second_run, second);
  EXPECT_EQ(a.status, 0);
  EXPECT_EQ(b.status, 0);
  EXPECT_EQ(b.out, kPrompts);
  EXPECT_EQ(b.err, notice);
  EXPECT_EQ(b.results, reference("n10-v20", "rezult.txt"));
}

// From the least address space in which a trivial C++ program of the same
// linking starts to the most a run needs, a run ends normally, by the solver's
// own check or with message 41: never by a signal or an escaped exception. The
// program's image is larger than the trivial one's, so just above that floor it
// may not start either, which a --version under the same limit tells; it must
// then fail as the trivial program fails below its floor (the loader or the C
// library's start-up gives up). An allocation before main that fails ends in
// std::terminate instead, which no start of a trivial program shows.
TEST_F(Program, ExhaustedMemoryIsTheRunTimeErrorAtEveryLimit) {
#if defined(VORTEX_ADDRESS_SANITIZER)
  GTEST_SKIP() << "the address sanitizer needs more address space than any limit here";
#endif
  if (std::string(VORTEX_EMULATOR) != "") GTEST_SKIP() << "an emulator's own memory is limited too";
  constexpr rlim_t kStep = 16;  // kB
  auto limited = [&](const char* program, rlim_t kb, const std::string& input,
                     std::vector<std::string> arguments = {}) {
    Setting setting;
    setting.program = program;
    setting.memory_limit = kb * 1024;
    setting.arguments = std::move(arguments);
    return run(input, setting);
  };
  struct Linking {
    const char* program;
    const char* trivial;
  };
  std::vector<Linking> linkings = {{VORTEX_SHARED_BINARY, TRIVIAL_SHARED_BINARY}};
#if defined(TRIVIAL_STATIC_BINARY)
  linkings.push_back({VORTEX_BINARY, TRIVIAL_STATIC_BINARY});
#endif
  for (const Linking& linking : linkings) {
    SCOPED_TRACE(linking.program);
    // The trivial program's floor, found by halving, and how it fails in the
    // 256 kB below it.
    rlim_t low = 1024 / kStep, high = 256 * 1024 / kStep;
    while (low < high) {
      const rlim_t middle = (low + high) / 2;
      if (limited(linking.trivial, middle * kStep, "").status == 0)
        high = middle;
      else
        low = middle + 1;
    }
    const rlim_t floor = high * kStep;
    std::set<std::pair<int, int>> start_failures;
    for (rlim_t kb = floor - 256; kb < floor; kb += kStep) {
      const Outcome t = limited(linking.trivial, kb, "");
      start_failures.insert({t.status, t.signal});
    }

    int exhausted = 0;
    for (rlim_t kb = floor; kb <= 256 * 1024; kb += kStep) {
      SCOPED_TRACE(std::to_string(kb) + " kB");
      const Outcome r = limited(linking.program, kb, "201\n20\n");
      if (r.status == 0) break;
      if (r.status == 41) {
        ++exhausted;
        EXPECT_EQ(r.first_err_line(), "forrtl: severe (41): insufficient virtual memory\r");
      } else if (r.status != 1) {
        const Outcome v = limited(linking.program, kb, "", {"--version"});
        EXPECT_TRUE(v.status != 0 && start_failures.count({v.status, v.signal}) != 0)
            << "status " << r.status << ", signal " << r.signal << ": " << r.err;
      }
    }
    EXPECT_GT(exhausted, 0);
  }
}

}  // namespace
