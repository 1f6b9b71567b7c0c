#!/usr/bin/env bash
# The command-line host end to end: a PLAYER→RECORDER session, a PLAYER render that must equal its
# file exactly, and a state saved by one instance and loaded into another.
set -euo pipefail
host=$1
bundles=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

session() {
  "$host" session --player "$bundles/VarnolithPlayer.vst3" --recorder "$bundles/VarnolithRecorder.vst3" \
    --out "$work/rec.wav" "$@"
}

# The first session records rec.wav; the second finds it and records the next take.
out=$(session --tail 0.25)
echo "$out"
grep -q "played audio matches the take sample for sample" <<<"$out"
grep -q "sync start at sample 0, sync stop at sample 96000" <<<"$out"
out=$(session)
echo "$out"
grep -q "take $work/rec-take1.wav: 119999 frames (96000 played + 23999 of tail)" <<<"$out"

# At equal rates the PLAYER's output is the file's samples, bit for bit.
signal="$work/varnolith-test-signal.wav"
"$host" render "$bundles/VarnolithPlayer.vst3" --file "$signal" --out "$work/played.wav" --block 333
cmp <(tail -c +45 "$signal") <(tail -c +45 "$work/played.wav")

# A state saved after a render reproduces the render in a new instance.
"$host" render "$bundles/VarnolithOutput.vst3" --in "$signal" --out "$work/a.wav" -p Gain=0.5 \
  --state-out "$work/a.state"
"$host" render "$bundles/VarnolithOutput.vst3" --in "$signal" --out "$work/b.wav" --state-in "$work/a.state" \
  --state-out "$work/b.state"
cmp "$work/a.state" "$work/b.state"
cmp "$work/a.wav" "$work/b.wav"
if cmp -s "$signal" "$work/a.wav"; then
  echo "the gain was not applied" >&2
  exit 1
fi
echo "host session test passed"
