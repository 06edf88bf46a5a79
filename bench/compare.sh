#!/usr/bin/env bash
# Times vlm against the tools a user would pick instead, side by side in one
# run, and prints the ratios. Every pair (vlm and its peer, RUNS runs each)
# is timed once per round, ROUNDS rounds in turn, so load that comes and goes
# on a shared machine falls on both; a ratio is the median over the rounds of
# vlm's median time over the peer's. The in-process save and open come from
# vellum_bench, which runs gzip -6 on the same image in the same run.
#
#   bench/compare.sh [BUILD_DIR]      (build/release by default)
#   ROUNDS=5 RUNS=40 bench/compare.sh
# The 1,000-image info, seconds long, runs BATCH_RUNS times a round (3).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build/release}
rounds=${ROUNDS:-3}
runs=${RUNS:-30}
batch_runs=${BATCH_RUNS:-3}
vlm=$PWD/$build/cli/vlm
bench=$PWD/$build/bench/vellum_bench
for tool in hyperfine minfo mdir mformat mcopy dd cmp gzip python3; do
    command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing (./vellum.sh bench installs it)" >&2; exit 1; }
done
[ -x "$vlm" ] && [ -x "$bench" ] || { echo "compare.sh: build $build first (vlm and vellum_bench)" >&2; exit 1; }

# Memory-backed where possible, so the disk's flush time is no one's figure.
base=/tmp
[ -d /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/vellum-compare.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"

# A 1.44 MB diskette with a label, files of text and random bytes, and a folder.
mformat -C -f 1440 -v COMPARE -i disk.img ::
for i in 1 2 3 4 5 6; do
    head -c $((i * 30000)) /dev/urandom >"RANDOM$i.BIN"
    seq -f "diskettes keep data for decades; line %g" $((i * 500)) >"TEXT$i.TXT"
done
mcopy -i disk.img RANDOM*.BIN TEXT*.TXT ::
mmd -i disk.img ::DOCS
mcopy -i disk.img TEXT1.TXT ::DOCS/
cp disk.img copy.img
cp disk.img target.img
# 1,000 small diskettes for info in one process, sparse so they take little memory.
mformat -C -f 1440 -v BATCH -i batch.img ::
mcopy -i batch.img TEXT1.TXT ::
mkdir many
for i in $(seq -w 1 1000); do cp --sparse=always batch.img "many/$i.img"; done

export VELLUM_CONFIG=$work/vellum.conf
"$vlm" drive insert A: disk.img >/dev/null
"$vlm" drive insert B: target.img >/dev/null
"$vlm" drive type B: 7 >/dev/null

echo "== in process: vellum_bench (save and open of a 1.68 MB DMF image, gzip -6 of it)"
"$bench" --benchmark_repetitions="$rounds" --benchmark_report_aggregates_only=true \
    --benchmark_out=inprocess.json --benchmark_out_format=json >/dev/null
cp "$base/vellum-bench/mixed.img" mixed.img

# NAME, vlm's command, the peer's command.
names=() mine=() theirs=()
pair() { names+=("$1"); mine+=("$2"); theirs+=("$3"); }
pair info "$vlm info disk.img" "minfo -i disk.img"
pair ls "$vlm ls disk.img" "mdir -i disk.img"
pair load "$vlm load A: -o loaded.img --all --yes" "dd if=disk.img of=dd.img bs=1M status=none"
pair write "$vlm write copy.img B: --yes" "dd if=copy.img of=target.img bs=1M conv=notrunc status=none"
pair compare "$vlm compare copy.img A: --yes" "cmp copy.img disk.img"
pair convert "$vlm convert mixed.img mixed.VLM" "gzip -6 -k -f mixed.img"
# Both through sh, which expands the names for each.
pair info1000 "sh -c '\"$vlm\" info many/*.img'" "sh -c 'for f in many/*.img; do minfo -i \"\$f\"; done'"

for round in $(seq "$rounds"); do
    echo "== round $round of $rounds"
    for i in "${!names[@]}"; do
        # Its warnings about outliers would only repeat that the machine is shared.
        n=$runs warmup=3
        [ "${names[i]}" = info1000 ] && n=$batch_runs warmup=1
        hyperfine -N --style none --warmup "$warmup" --runs "$n" --export-json "${names[i]}-$round.json" \
            "${mine[i]}" "${theirs[i]}" >"${names[i]}-$round.log" 2>&1 || { cat "${names[i]}-$round.log" >&2; exit 1; }
    done
done

python3 - "$rounds" <<'EOF'
import json, statistics, sys
rounds = int(sys.argv[1])

# Per pair: medians over the rounds of the wall-clock medians, of their ratio,
# and of the ratio of CPU time (user and system), which a loaded machine
# disturbs less than the wall clock.
def pair(name):
    wall, cpu, mine, theirs = [], [], [], []
    for r in range(1, rounds + 1):
        a, b = json.load(open(f"{name}-{r}.json"))["results"]
        mine.append(a["median"] * 1000); theirs.append(b["median"] * 1000)
        wall.append(a["median"] / b["median"])
        cpu.append((a["user"] + a["system"]) / (b["user"] + b["system"]))
    m = statistics.median
    return m(mine), m(theirs), m(wall), min(wall), max(wall), m(cpu)

rows = [("vlm info", "minfo -i", "info", "<= 1.0"), ("vlm ls", "mdir -i", "ls", "<= 1.0"),
        ("vlm load --all (virtual A:)", "dd", "load", "<= 1.0"),
        ("vlm write (virtual B:)", "dd conv=notrunc", "write", "<= 1.0"),
        ("vlm compare (virtual A:)", "cmp", "compare", "<= 1.0"),
        ("vlm convert raw -> .VLM", "gzip -6", "convert", "<= 0.5"),
        ("vlm info, 1,000 images", "minfo loop", "info1000", "<= 0.2")]
print(f"\n{'work':30} {'vlm ms':>7} {'peer':>16} {'peer ms':>8} {'ratio':>6} {'range':>11} {'cpu ratio':>9}  target")
for what, peer, name, target in rows:
    v, p, ratio, low, high, cpu = pair(name)
    print(f"{what:30} {v:7.1f} {peer:>16} {p:8.1f} {ratio:6.2f} {low:5.2f}-{high:<5.2f} {cpu:9.2f}  {target}")

bench = {b["run_name"]: b for b in json.load(open("inprocess.json"))["benchmarks"] if b.get("aggregate_name") == "median"}
save, open_, gzip = (bench[n]["real_time"] for n in ("SaveDmfAllCoders/real_time", "OpenDmf/real_time", "Gzip6SameImage/real_time"))
print(f"\nin process (medians of {rounds}): save {save:.1f} ms, open {open_:.2f} ms, gzip -6 {gzip:.1f} ms;"
      f" the save is {gzip / save:.1f} times as fast as gzip -6 (target >= 4), open target < 2 ms")
EOF
