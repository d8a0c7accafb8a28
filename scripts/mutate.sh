#!/usr/bin/env bash
# Mutation check: how many small faults in a source file do its tests notice?
#
#   scripts/mutate.sh [-n N] [-w DIR] [-t SECONDS] [-l LABEL] [--refresh-tests [REF]] [--keep-test PATH]...
#                     [--list] FILE...
#
# FILE is a source path relative to the checkout (store/kor_key_file.cpp). Each
# mutant changes one spot of the file: a comparison flipped (== !=, < <=, > >=),
# "+ 1" and "- 1" swapped, && and || swapped, true and false swapped in a
# return, a statement that writes dropped (an assignment, ++/--, a Set/Put/
# Write/memcpy call), or a void function left at once. The binary of the file's
# folder (build/tests/test_store for store/...) is rebuilt and run; a mutant is
# killed when a test fails or the run exceeds the timeout, and stillborn when
# it does not compile (not counted).
#
# Nothing in the checkout is changed. The first run copies the checkout's
# committed tree (HEAD) to DIR/src (default /tmp/mutate/korin) and builds it
# there without Qt; later runs reuse that copy, so that a second run measures
# the same sources. --refresh-tests replaces the copy's tests/ by the
# checkout's tests/ as committed in REF (default HEAD), keeping only the test
# files the copy already had (new test files of others may need newer sources),
# so that old and new suites are compared on the same code; a test file named
# with --keep-test stays as it was (one that another change made depend on
# newer sources).
#
# At most N mutants per file (default 25) are taken, spread evenly over the
# file's mutation sites: the same sources give the same sample. The last line
# per file reads "FILE: killed K of M (P %)"; every mutant and its fate is
# listed in DIR/results/LABEL/<file>.txt (LABEL defaults to "run").
set -euo pipefail

N=25
WORK=/tmp/mutate/korin
TIMEOUT=""
REFRESH=0
REF=HEAD
LABEL=run
LIST=0
KEEP=" "
files=()
while [ $# -gt 0 ]; do
  case "$1" in
    -n) N="$2"; shift 2 ;;
    -w) WORK="$2"; shift 2 ;;
    -t) TIMEOUT="$2"; shift 2 ;;
    -l) LABEL="$2"; shift 2 ;;
    --keep-test) KEEP+="$2 "; shift 2 ;;
    --refresh-tests)
      REFRESH=1; shift
      if [ $# -gt 0 ] && [[ "$1" != -* ]] && git -C "$(dirname "$0")" rev-parse -q --verify "$1^{commit}" >/dev/null; then
        REF="$1"; shift
      fi ;;
    --list) LIST=1; shift ;;
    -h|--help) sed -n '2,30p' "$0"; exit 0 ;;
    -*) echo "unknown option $1" >&2; exit 2 ;;
    *) files+=("$1"); shift ;;
  esac
done
if [ "${#files[@]}" -eq 0 ]; then echo "usage: scripts/mutate.sh [-n N] [-w DIR] FILE..." >&2; exit 2; fi

CHECKOUT="$(cd "$(dirname "$0")/.." && pwd)"
case "$WORK" in "$CHECKOUT"|"$CHECKOUT"/*) echo "DIR must lie outside the checkout" >&2; exit 2 ;; esac
SRC="$WORK/src"
BUILD="$WORK/build"
RESULTS="$WORK/results/$LABEL"
mkdir -p "$RESULTS" "$WORK/orig"

if [ ! -d "$SRC" ]; then
  # The suites find the shared fixtures beside the source folder.
  [ -d "$CHECKOUT/../shared" ] && [ ! -e "$WORK/shared" ] && ln -s "$CHECKOUT/../shared" "$WORK/shared"
  mkdir -p "$SRC"
  git -C "$CHECKOUT" archive HEAD | tar -x -C "$SRC"
  git -C "$CHECKOUT" rev-parse HEAD >"$WORK/source-commit"
fi

if [ "$REFRESH" = 1 ]; then
  # Same sources, the checkout's committed suites: old test files take their new
  # text or go; new helper headers come along; new .cpp files of others stay out.
  rm -rf "$WORK/tests-new"
  mkdir -p "$WORK/tests-new"
  git -C "$CHECKOUT" archive "$REF" tests | tar -x -C "$WORK/tests-new"
  (cd "$SRC" && find tests -type f) | while read -r f; do
    if [[ "$KEEP" == *" $f "* ]]; then continue; fi
    if [ -f "$WORK/tests-new/$f" ]; then cp "$WORK/tests-new/$f" "$SRC/$f"; else rm -f "$SRC/$f"; fi
  done
  (cd "$WORK/tests-new" && find tests -type f ! -name '*.cpp') | while read -r f; do
    [ -f "$SRC/$f" ] || { mkdir -p "$SRC/$(dirname "$f")"; cp "$WORK/tests-new/$f" "$SRC/$f"; }
  done
  for extra in tests/test_support.cpp; do
    [ -f "$WORK/tests-new/$extra" ] && cp "$WORK/tests-new/$extra" "$SRC/$extra"
  done
fi

if [ ! -f "$BUILD/build.ninja" ]; then
  launcher=()
  if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
  nice cmake -S "$SRC" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O1 -DNDEBUG" -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON \
    -DKORIN_BENCH=OFF "${launcher[@]}" >/dev/null
fi

# Lists the mutation sites of a file, one per line: INDEX<TAB>LINE<TAB>WHAT, and
# with a second argument INDEX writes that mutant to stdout.
sites() {
  python3 - "$@" <<'PY'
import re, sys
path = sys.argv[1]
want = int(sys.argv[2]) if len(sys.argv) > 2 else None
lines = open(path, encoding="latin-1").read().split("\n")

SWAP = [(" == ", " != "), (" != ", " == "), (" < ", " <= "), (" <= ", " < "),
        (" > ", " >= "), (" >= ", " > "), (" + 1", " - 1"), (" - 1", " + 1"),
        (" && ", " || "), (" || ", " && "),
        ("return true;", "return false;"), ("return false;", "return true;")]
WRITE_ASSIGN = re.compile(r"^\s*[A-Za-z_][\w.\->\[\]()*]*\s*(=|\+=|-=|\|=|&=|\^=|<<=|>>=)\s*[^=].*;\s*$")
WRITE_INCDEC = re.compile(r"^\s*(\+\+|--)?[A-Za-z_][\w.\->\[\]]*(\+\+|--)?\s*;\s*$")
WRITE_CALL = re.compile(r"^\s*[\w:.\->\[\]]*\b(Set\w*|Put\w*|Write\w*|put\w*|write\w*|set\w*|store\w*|memcpy|memmove|memset|push_back|insert|erase|pop_back|resize|clear)\s*\(.*\)\s*;\s*$")
VOID_FN = re.compile(r"^(static\s+|inline\s+)*void\s+[\w:~]+\s*\([^;]*\)\s*(const\s*)?(noexcept\s*)?\{\s*$")
KEYWORDS = ("return", "throw", "break", "continue", "case", "goto", "delete", "using", "typedef")

def code_part(s):
    # Drops a trailing // comment and blanks string and character literals.
    out, i, q = [], 0, None
    while i < len(s):
        c = s[i]
        if q:
            if c == "\\": out.append("  "); i += 2; continue
            if c == q: q = None
            out.append(" " if q else c); i += 1; continue
        if c in "\"'": q = c; out.append(c); i += 1; continue
        if s.startswith("//", i): break
        out.append(c); i += 1
    return "".join(out)

found = []
in_block = False
prev_end = ";"
for no, raw in enumerate(lines):
    text = raw
    if in_block:
        if "*/" in text: in_block = False
        continue
    if text.lstrip().startswith("/*") and "*/" not in text:
        in_block = True; continue
    code = code_part(text)
    stripped = code.strip()
    if not stripped or stripped.startswith("#"):
        continue
    for a, b in SWAP:
        start = 0
        while True:
            at = code.find(a, start)
            if at < 0: break
            # " - 1" must not be part of "- 10"; "+ 1" likewise.
            tail = code[at + len(a):at + len(a) + 1]
            if a.strip() in ("+ 1", "- 1") and tail.isdigit():
                start = at + 1; continue
            found.append((no, f"{a.strip()} -> {b.strip()}", raw[:at] + b + raw[at + len(a):]))
            start = at + len(a)
    statement_start = prev_end in (";", "{", "}", ":")
    words = re.split(r"[\s(;]+", stripped)
    first = words[0] if words else ""
    if statement_start and first not in KEYWORDS and not stripped.startswith(("if", "for", "while", "else", "}")):
        if WRITE_ASSIGN.match(code) or WRITE_INCDEC.match(code) or WRITE_CALL.match(code):
            indent = raw[:len(raw) - len(raw.lstrip())]
            found.append((no, "drop write", indent + ";"))
    if VOID_FN.match(code):
        found.append((no, "return at once", raw + " return;"))
    if stripped:
        prev_end = stripped[-1]

if want is None:
    for i, (no, what, _) in enumerate(found):
        print(f"{i}\t{no + 1}\t{what}\t{lines[no].strip()[:90]}")
else:
    no, what, new = found[want]
    lines[no] = new
    sys.stdout.write("\n".join(lines))
PY
}

for file in "${files[@]}"; do
  if [ ! -f "$SRC/$file" ]; then echo "$file: not in the copy" >&2; continue; fi
  folder="${file%%/*}"
  target="test_$folder"
  key="$(echo "$file" | tr / _)"
  orig="$WORK/orig/$key"
  [ -f "$orig" ] || cp "$SRC/$file" "$orig"
  cp "$orig" "$SRC/$file"

  mapfile -t all < <(sites "$orig")
  total="${#all[@]}"
  pick=()
  if [ "$total" -le "$N" ]; then
    for ((i = 0; i < total; i++)); do pick+=("$i"); done
  else
    for ((i = 0; i < N; i++)); do pick+=("$(( i * total / N ))"); done
  fi
  if [ "$LIST" = 1 ]; then
    for i in "${pick[@]}"; do echo "${all[$i]}"; done
    continue
  fi

  # The unchanged file must pass; its run time sets the timeout.
  nice ninja -C "$BUILD" "$target" >"$WORK/build.log" 2>&1 || { echo "$file: the copy does not build, see $WORK/build.log" >&2; exit 1; }
  t0=$(date +%s)
  if ! (cd "$BUILD" && nice "./tests/$target" --gtest_brief=1 >"$WORK/run.log" 2>&1); then
    echo "$file: the unchanged copy fails its tests, see $WORK/run.log" >&2; exit 1
  fi
  limit="${TIMEOUT:-$(( ($(date +%s) - t0) * 5 + 20 ))}"

  result="$RESULTS/$key.txt"
  : >"$result"
  killed=0; counted=0; stillborn=0
  for i in "${pick[@]}"; do
    entry="${all[$i]}"
    sites "$orig" "$i" >"$SRC/$file"
    if ! nice ninja -C "$BUILD" "$target" >"$WORK/build.log" 2>&1; then
      stillborn=$((stillborn + 1)); echo "STILLBORN $entry" >>"$result"; continue
    fi
    counted=$((counted + 1))
    # A crash is a kill too; the shell's report of the signal is not wanted.
    if (cd "$BUILD" && nice timeout "$limit" "./tests/$target" --gtest_fail_fast --gtest_brief=1 >"$WORK/run.log" 2>&1) 2>/dev/null; then
      echo "SURVIVED  $entry" >>"$result"
    else
      killed=$((killed + 1)); echo "KILLED    $entry" >>"$result"
    fi
  done
  cp "$orig" "$SRC/$file"
  nice ninja -C "$BUILD" "$target" >/dev/null 2>&1 || true
  pct=0
  if [ "$counted" -gt 0 ]; then pct=$(( killed * 100 / counted )); fi
  echo "$file: killed $killed of $counted ($pct %), $stillborn stillborn, $total sites" | tee -a "$RESULTS/summary.txt"
done
