# Sourced by the benchmark fragments: sets BIG_SCAN_FILE to the generated big
# scan file, made once per build directory and again when its generator
# changes.
big_dir="$KS95_BENCH_BUILD/big-scan"
BIG_SCAN_FILE="$big_dir/KS.DAT"
if [ ! -s "$BIG_SCAN_FILE" ] || [ "$KS95_SOURCE_DIR/bench/big_scan_file.py" -nt "$BIG_SCAN_FILE" ]; then
  mkdir -p "$big_dir"
  python3 "$KS95_SOURCE_DIR/bench/big_scan_file.py" "$big_dir/KS.DAT.part"
  mv "$big_dir/KS.DAT.part" "$BIG_SCAN_FILE"
fi
