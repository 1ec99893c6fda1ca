#!/usr/bin/env bash
# Sets up, builds and runs every suite: native (with fuzzers), the TypeScript type check,
# page unit, browser, end-to-end.
# Ends with one line "N passed, N failed" summed over all suites; exits non-zero on any failure.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
results="$root/build/test-results"
rm -rf "$results"; mkdir -p "$results"

if ! "$root/scripts/build.sh"; then
  echo "build failed"
  echo "0 passed, 1 failed"
  exit 1
fi

# Each suite leaves "<passed> <failed>" in $results/<suite>.counts; a suite that
# leaves nothing (crashed runner) counts as one failure.
run_vitest() { # name config
  local name=$1 config=$2
  (cd "$root" && npx vitest run --config "$config" --reporter=default --reporter=json \
      --outputFile.json="$results/$name.json")
  node -e '
    const fs = require("fs");
    try {
      const r = JSON.parse(fs.readFileSync(process.argv[1], "utf8"));
      const failedSuites = r.testResults.filter(f => f.status === "failed" && f.assertionResults.length === 0).length;
      fs.writeFileSync(process.argv[2], `${r.numPassedTests} ${r.numFailedTests + failedSuites} ${r.numPendingTests + r.numTodoTests}\n`);
    } catch { }' "$results/$name.json" "$results/$name.counts"
}

suites=(native typecheck page browser e2e)
"$root/scripts/service.sh" start || echo "catalogue service did not start"
"$root/scripts/test-native.sh" "$results/native.counts"
if (cd "$root" && npx tsc --noEmit -p .); then echo "1 0"; else echo "0 1"; fi > "$results/typecheck.counts"
run_vitest page vitest.config.ts
run_vitest browser vitest.browser.config.ts
"$root/scripts/with-services.sh" bash -c "$(declare -f run_vitest); root='$root' results='$results' run_vitest e2e vitest.e2e.config.ts"

"$root/scripts/service.sh" stop

passed=0; failed=0; skipped=0
for s in "${suites[@]}"; do
  p=0; f=1; k=0
  [ -f "$results/$s.counts" ] && read -r p f k < "$results/$s.counts"
  k=${k:-0}
  echo "suite $s: $p passed, $f failed, $k skipped"
  passed=$((passed + p)); failed=$((failed + f)); skipped=$((skipped + k))
done
if [ "$skipped" -gt 0 ]; then
  echo "$passed passed, $failed failed, $skipped skipped"
else
  echo "$passed passed, $failed failed"
fi
[ "$failed" -eq 0 ]
