#!/usr/bin/env bash
# Builds the seed corpora of the fuzz targets in DIR (default build-fuzz/corpus)
# from the models of examples/ and tests/golden/ and the seeds kept in
# fuzz/seeds/.  A corpus directory that exists is added to, not emptied, so
# a longer campaign keeps what it has found.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build-fuzz/corpus}"
for t in words cvrtxt bldlst dict ft2mc chain galileo; do
  mkdir -p "$out/$t"
  if [ -d "$root/fuzz/seeds/$t" ]; then cp "$root/fuzz/seeds/$t"/* "$out/$t/"; fi
done

for model in "$root"/examples/*/ "$root"/tests/golden/*/; do
  [ -f "$model/answers.txt" ] || continue
  name="$(basename "$model")"
  for f in "$model"*.* "$model"expected/*.*; do
    [ -f "$f" ] || continue
    case "$f" in
      *.TXT) cp "$f" "$out/cvrtxt/$name.TXT" ;;
      *.FTR) cp "$f" "$out/bldlst/$name-$(basename "$(dirname "$f")").FTR" ;;
      *.DIC) cp "$f" "$out/dict/$name-$(basename "$(dirname "$f")").DIC" ;;
    esac
    case "$f" in *.TXT | *.FTR | *.DIC) { printf '\300'; cat "$f"; } > "$out/words/$name-$(basename "$f")" ;; esac
  done
  # ft2mc: the truncation bound (the second answer), the dictionary, a NUL
  # byte, the tree as the model gives it.
  dic="$(ls "$model"*.DIC | head -1)"
  tree="$(ls "$model"*.TXT 2>/dev/null | head -1 || true)"
  [ -n "$tree" ] || tree="$(ls "$model"*.FTR | head -1)"
  bound="$(sed -n 2p "$model/answers.txt")"
  { printf "\\$(printf '%03o' "$((bound % 4))")"; cat "$dic"; printf '\0'; cat "$tree"; } > "$out/ft2mc/$name"
done

# chain: the .INT, .TUP and .DIC files a generation wrote, joined by NUL
# bytes, and a rates file giving each rate name of the dictionary (the third
# word of a type's line) a value.  A model without a written dictionary has
# nothing to seed.
for expected in "$root"/examples/*/expected/ "$root"/tests/golden/*/expected/; do
  dic="$(ls "$expected"*.DIC 2>/dev/null | head -1 || true)"
  [ -n "$dic" ] || continue
  base="${dic%.DIC}"
  [ -f "$base.INT" ] && [ -f "$base.TUP" ] || continue
  model="$(dirname "$expected")"
  name="$(basename "$(dirname "$model")")-$(basename "$model")"
  {
    cat "$base.INT"; printf '\0'; cat "$base.TUP"; printf '\0'; cat "$dic"; printf '\0'
    awk '/^ *FEIDS/ { exit } /^[0-9]/ { printf "%s %.1e\n", $3, 1e-3 * (1 + $1 / 10) }' "$dic"
  } > "$out/chain/$name"
done

# galileo: the Galileo examples and the benchmark models of the tests.
cp "$root"/examples/galileo/*.dft "$root"/tests/galileo/benchmarks/*.dft "$out/galileo/"
