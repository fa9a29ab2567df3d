// The hot loops' entry points: the registry of their forms, the choice among
// them, made once when the program starts, and each call made through the
// table of the form in use (a load and an indirect call).
#include "linsolve/vector_paths.hpp"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "linsolve/state.hpp"
#include "linsolve/vector_table.hpp"

namespace linsolve {
namespace forms {

// The vector forms of this build: form_list.inc, which linsolve/CMakeLists.txt
// writes from its list of the target's forms, says VORTEX_FORM(name) for each.
#define VORTEX_FORM(name) extern const Entry name##_entry;
#include "form_list.inc"
#undef VORTEX_FORM

namespace {

constexpr Form kBuilt[] = {
    &plain_entry,
#define VORTEX_FORM(name) &name##_entry,
#include "form_list.inc"
#undef VORTEX_FORM
};

// Processors on which the form of highest preference is not the fastest: the
// form that is, as measured there (docs/performance.md gives the measurements
// behind each row).
struct Row {
  const char* vendor;
  int family;
  int model;
  const char* form;
};
constexpr Row kFastest[] = {
    // AMD family 25 model 17 (a Zen 4): AVX-512 operations run as two 256-bit
    // halves. Other models have no row until measured.
    {"AuthenticAMD", 25, 17, "avx2"},
};

Form named(std::string_view name) {
  for (Form f : kBuilt)
    if (name == f->name) return f;
  return nullptr;
}

}  // namespace

Form choose(const char* requested, const Processor& cpu, bool (*offers)(Form),
            char (&notice)[kNoticeSize]) {
  Form best = &plain_entry;
  for (Form f : kBuilt)
    if (f->preference > best->preference && offers(f)) best = f;
  for (const Row& row : kFastest) {
    const Form f = named(row.form);
    if (std::string_view(cpu.vendor) == row.vendor && cpu.family == row.family &&
        cpu.model == row.model && f != nullptr && offers(f))
      best = f;
  }
  notice[0] = '\0';
  if (requested == nullptr || *requested == '\0') return best;
  const Form f = named(requested);
  if (f != nullptr && offers(f)) return f;
  char names[80] = "";
  for (Form g : kBuilt)
    std::snprintf(names + std::strlen(names), sizeof names - std::strlen(names), "%s%s",
                  g == kBuilt[0] ? "" : ", ", g->name);
  if (f != nullptr)
    std::snprintf(notice, kNoticeSize,
                  "VORTEX_FORM=%s is a form this processor cannot run; using %s", requested,
                  best->name);
  else
    std::snprintf(notice, kNoticeSize,
                  "VORTEX_FORM=%.60s names no form of this build (%s); using %s", requested, names,
                  best->name);
  return best;
}

}  // namespace forms

namespace {

bool runs_here(Form form) { return form->runs_here(); }

// What the choice could not follow, kept for the program to say (form_notice).
char notice[forms::kNoticeSize];

// Taken once, before main: the hot loops run in the plain form until then.
// Nothing is printed here, before the program has made its standard streams
// safe to write.
const Form taken = [] {
  const Form form =
      forms::choose(std::getenv("VORTEX_FORM"), forms::this_processor(), runs_here, notice);
  state().form = form;
  return form;
}();

const forms::Table& table() { return state().form->table; }

}  // namespace

std::span<const Form> built_forms() { return forms::kBuilt; }

Form find_form(std::string_view name) { return forms::named(name); }

bool offered(Form form) { return form != nullptr && form->runs_here(); }

Form form_in_use() { return state().form; }

const char* form_name(Form form) { return form != nullptr ? form->name : "none"; }

const char* form_notice() { return notice; }

void use_form(Form form) { state().form = form != nullptr ? form : taken; }

void unit_axpy(int count, float s, const float* x, float* y) { table().unit_axpy(count, s, x, y); }

void unit_scale(int count, float s, float* x) { table().unit_scale(count, s, x); }

float unit_dot(int count, const float* x, const float* y) { return table().unit_dot(count, x, y); }

float unit_abs_sum(int count, const float* x) { return table().unit_abs_sum(count, x); }

int panel_step(int count, bool scale, float t, float* m, int ncol, const float* s, float* c,
               int ldc, const float* w, bool search) {
  return table().panel_step(count, scale, t, m, ncol, s, c, ldc, w, search);
}

void row_magnitudes(int n, const float* a, int lda, float* r) {
  table().row_magnitudes(n, a, lda, r);
}

int first_largest_product(int n, const float* x, const float* y) {
  const forms::Table& form = table();
  int imax = 1;
  float best = 0.0f;
  for (int i1 = 0; i1 < n; i1 += kProductBlock) {
    float big = 0.0f;
    const int j = form.largest_product(std::min(kProductBlock, n - i1), x + i1, y + i1, big);
    // A later block must beat the best so far strictly.
    if (big > best) {
      best = big;
      imax = i1 + j + 1;
    }
  }
  return imax;
}

void panel_rows(int width, const float* m, int ldm, int ncol, float* c, int ldc, float* s) {
  table().panel_rows(width, m, ldm, ncol, c, ldc, s);
}

void panel_sweep(int count, int width, const float* m, int ldm, int ncol, const float* s, float* c,
                 int ldc) {
  if (count <= 0 || ncol <= 0) return;
  table().panel_sweep(count, width, m, ldm, ncol, s, c, ldc);
}

void residual_rows(int n, const float* a, int lda, const float* b, const float* x, float* r) {
  table().residual_rows(n, a, lda, b, x, r);
}

void upper_solve(int n, const float* a, int lda, float* x, bool unit) {
  table().upper_solve(n, a, lda, x, unit);
}

void rows_to_strip(int rows, int count, const float* a, int lda, float* strip, int lds) {
  table().rows_to_strip(rows, count, a, lda, strip, lds);
}

int estimate_row(int count, float wp, double wm, double sp, double sm, const float* u, int ld,
                 float* z) {
  return table().estimate_row(count, wp, wm, sp, sm, u, ld, z);
}

}  // namespace linsolve
