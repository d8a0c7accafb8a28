#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test. The last line
# weighs the tests against the code they test.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
./scripts/build.sh
status=0
ctest --test-dir build --output-on-failure -j"$(nproc)" || status=$?

# Lines of *.cpp and *.h: tests/ against everything else but bench/, fuzz/ and build/.
lines() { find "$@" -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 cat | wc -l; }
test_lines=$(lines tests)
code_lines=$(lines . -path ./tests -prune -o -path ./bench -prune -o -path ./fuzz -prune -o -path ./build -prune -o -path ./.git -prune -o)
awk -v t="$test_lines" -v c="$code_lines" 'BEGIN { printf "Testzeilen/Codezeilen: %.2f (%d/%d)\n", c ? t / c : 0, t, c }'
exit "$status"
