#!/usr/bin/env python3
"""The code the compiler made of the x86-64 vector forms, against the shapes
that cost speed on some processor and not on others, counted in the
disassembly of the solver's library (objdump), so that the check gives the
same answer on any machine:

- a broadcast built lane by lane: permutes, shuffles, unpacks and inserts of
  doubles, or a chain of merge-masked broadcasts (each waits for the one
  before it);
- a mask register reloaded from the stack;
- in the panel sweep, a multiply-add whose operand the compiler keeps on the
  stack, or a factor broadcast from a register: the factors are to be
  broadcast from their buffer as each step needs them (folded into the
  multiply-add where the instruction set allows), not kept across the rows
  and spilled.

Each is zero in the code written with intrinsics before the loops were
written once over the vector width. Prints the counts of each form's hot
functions; exits 1 when a count is not zero, and when what the check must see
is not there (a form's entry, the panel sweep's multiply-adds): a library or
objects of another build, or a disassembly it cannot read, fail.

    code_shape_test.py [--objdump OBJDUMP] LIBRARY_OR_OBJECT...
"""
import collections
import re
import subprocess
import sys

FORMS = ("avx2", "avx512")  # the forms of whole-vector broadcasts and fused steps

# A place on the stack: the stack pointer's frame, or below the frame pointer
# (at or above it are the caller's arguments, which a function reads once).
STACK = r"(\S*\(%rsp\)|-0x[0-9a-f]+\(%rbp\))"
# name: (pattern on one instruction, whether it counts in the panel sweep only)
FAULTS = {
    # (into a whole 256- or 512-bit register: the compiler pairs scalar code
    # outside the loops in 128-bit ones)
    "lane-built broadcast": (re.compile(
        r"^(vperm(pd|q)\s+\$0x(0|55|aa|ff),|vmovddup|vunpcklpd\s+(?P<r>%[yz]mm\d+),(?P=r),"
        r"|vmov[lh]pd\s+\S*\().*%[yz]mm\d+(\{%k\d\})?$"), False),
    "merge-masked broadcast": (
        re.compile(r"^v(p?broadcast)\S*\s.*\{%k[1-7]\}(?!\{z\})\s*$"), False),
    "mask reload from the stack": (re.compile(r"^kmov[bwdq]\s+" + STACK + ",%k"), False),
    "multiply-add from the stack": (re.compile(r"^vfn?m(add|sub)\S*\s+" + STACK), True),
    "factor broadcast from a register": (re.compile(r"^vbroadcasts[sd]\s+%xmm"), True),
}
# What must be there, so that the check cannot pass on code it did not see:
# each form's entries, the panel sweep with its multiply-adds, and in the
# AVX-512 form its factors broadcast within them (as the intrinsic code had).
ENTRIES = ("panel_sweep", "panel_rows", "panel_step", "residual_rows", "upper_solve",
           "estimate_row", "unit_dot")
SWEEP_NEEDS = {"avx2": "multiply-adds", "avx512": "folded broadcasts"}
SHOWN = ("panel_sweep", "rows_of_width<8>", "residual", "upper_solve", "spread", "estimate_row",
         "panel_step", "unit_dot")


def gnu_spelling(ins):
    """One instruction as GNU objdump writes it, also from llvm-objdump: no blank
    after a comma or before a mask, immediates and displacements in hex, an
    index's scale of 1 written; a displacement of 0 left out from both."""
    ins = re.sub(r",\s+", ",", ins)
    ins = re.sub(r"\s+\{", "{", ins)
    ins = re.sub(r"\$(\d+),", lambda m: f"$0x{int(m.group(1)):x},", ins)
    ins = re.sub(r"(?<![\w$])(-?)(\d+)\(", lambda m: f"{m.group(1)}0x{int(m.group(2)):x}(", ins)
    ins = re.sub(r"\((%\w*),(%\w+)\)", r"(\1,\2,1)", ins)
    return re.sub(r"(?<![\w$])0x0\(", "(", ins)


def functions(objdump, path):
    """{(form, function): [instruction text]} of the forms' functions in path."""
    text = subprocess.run([objdump, "-d", "--no-show-raw-insn", "-C", path], check=True,
                          capture_output=True, text=True).stdout
    found = collections.defaultdict(list)
    current = None
    for line in text.splitlines():
        head = re.match(r"^[0-9a-f]+ <(.*)>:$", line)
        if head:
            form = re.search(r"linsolve::forms::(\w+)::", head.group(1))
            current = None
            if form and form.group(1) in FORMS:
                # The function's own name and template arguments, without its
                # namespaces, parameters and clone suffix.
                name = re.sub(r"^.*::(?=[^:(]*(<[^()]*>)?\()", "", head.group(1))
                name = re.sub(r"\(.*", "", name)
                name = re.sub(r"^(void|int|float|bool) ", "", name)
                current = (form.group(1), name)
            continue
        body = re.match(r"^\s+[0-9a-f]+:\s+(\S.*)$", line)
        if body and current:
            found[current].append(gnu_spelling(re.sub(r"\s+#.*$|\s+<.*>$", "", body.group(1))))
    return found


def counts(instructions, sweep):
    c = collections.Counter()
    for ins in instructions:
        c["instructions"] += 1
        if re.match(r"^vfn?m(add|sub)", ins):
            c["multiply-adds"] += 1
            if re.search(r"\{1to\d+\}", ins):
                c["folded broadcasts"] += 1
        if re.match(r"^v(p?broadcast)", ins):
            c["broadcasts"] += 1
        for fault, (pattern, sweep_only) in FAULTS.items():
            if (sweep or not sweep_only) and pattern.search(ins):
                c[fault] += 1
    return c


def main(argv):
    objdump = "objdump"
    if len(argv) > 2 and argv[1] == "--objdump":
        objdump, argv = argv[2], argv[2:]
    found = {}
    for path in argv[1:]:
        found.update(functions(objdump, path))
    columns = ["instructions", "multiply-adds", "folded broadcasts", "broadcasts"] + list(FAULTS)
    faults = []
    for form in FORMS:
        total = collections.Counter()
        shown = collections.defaultdict(collections.Counter)
        for (f, name), instructions in found.items():
            if f != form:
                continue
            # The sweep of the last panel's narrower width, once a factorization,
            # is left to the compiler (name <0, ...>).
            c = counts(instructions, "sweep" in name and "<0" not in name)
            total += c
            for key in SHOWN:
                if key in name:
                    shown[key] += c
            for fault in FAULTS:
                if c[fault]:
                    faults.append(f"{form} {name}: {c[fault]} x {fault}")
        for name in ENTRIES:
            if not found.get((form, name)):
                faults.append(f"{form} {name}: not found")
        if not counts(found.get((form, "panel_sweep"), []), True)[SWEEP_NEEDS[form]]:
            faults.append(f"{form} panel_sweep: no {SWEEP_NEEDS[form]}")
        print(f"{form}: " + "; ".join(f"{k} {total[k]}" for k in columns))
        for key in SHOWN:
            if shown[key]["instructions"]:
                print(f"  {key:18s} " + " ".join(f"{shown[key][k]:6d}" for k in columns))
    print("  (columns: " + ", ".join(columns) + ")")
    for fault in faults:
        print("FAULT " + fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
