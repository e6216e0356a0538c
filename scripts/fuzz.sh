#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) in
# build-fuzz and runs each for $1 seconds (default 60): the scan readers (the four documented
# ones, Rigaku RAS, column files with the whole detection chain, xylib, Bruker RAW version 4),
# the peak list file reader, the INI reader and the exchange texts. FUZZ_TARGETS="fuzz_xylib ..." runs only those. Seeds: the scans in tests/data, the real files in
# ../shared/realdata when present, the definition files in data/, and small generated files of
# each format. New corpus entries stay in build-fuzz/fuzz-corpus; a crash
# leaves its input in build-fuzz/fuzz-artifacts and makes the script fail.
set -euo pipefail

SECONDS_PER_TARGET="${1:-60}"
ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD="${FUZZ_BUILD:-$ROOT/build-fuzz}"
REALDATA="$ROOT/../shared/realdata"

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ not found (WITH_FUZZ=1 ./scripts/install-deps.sh installs it)" >&2
  exit 1
fi

SANITIZERS="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_CXX_FLAGS="$SANITIZERS" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DTREVASC_FUZZ=ON -DTREVASC_TESTS=ON -DTREVASC_GUI=OFF -DTREVASC_BENCH=OFF >/dev/null
TARGETS=(fuzz_xml fuzz_header_counts fuzz_scan_list fuzz_two_column fuzz_peak_list_file
         fuzz_ini_file fuzz_text_exchange fuzz_rigaku_ras fuzz_column_file fuzz_xylib
         fuzz_bruker_raw4)
if [ -n "${FUZZ_TARGETS:-}" ]; then
  read -r -a TARGETS <<<"$FUZZ_TARGETS"
fi
cmake --build "$BUILD" -j "${JOBS:-2}" --target "${TARGETS[@]}"

SEEDS="$BUILD/fuzz-seeds"
rm -rf "$SEEDS"
mkdir -p "$SEEDS"/{xml,header_counts,scan_list,two_column,peak_list_file,ini_file,text_exchange} \
  "$SEEDS"/{rigaku_ras,column_file,xylib,bruker_raw4} \
  "$BUILD/fuzz-artifacts"

# ---- seeds ----
cp "$ROOT"/tests/data/*.xrdml "$SEEDS/xml/" 2>/dev/null || true
cp "$ROOT"/tests/data/*.ras "$SEEDS/rigaku_ras/" 2>/dev/null || true
cp "$ROOT"/tests/data/*.xye "$SEEDS/column_file/" 2>/dev/null || true
cp "$ROOT"/tests/data/quartz* "$SEEDS/xylib/" 2>/dev/null || true
cp "$ROOT"/tests/data/quartz_v4*.raw "$SEEDS/bruker_raw4/" 2>/dev/null || true
if [ -d "$REALDATA" ]; then
  cp "$REALDATA"/*.xrdml "$SEEDS/xml/" 2>/dev/null || true
  cp "$REALDATA"/*.dat "$REALDATA"/*.ras "$SEEDS/two_column/" 2>/dev/null || true
  cp "$REALDATA"/*.ras "$SEEDS/rigaku_ras/" 2>/dev/null || true
  cp "$REALDATA"/*.dat "$SEEDS/column_file/" 2>/dev/null || true
fi
S='<sample><id>S</id><name>n</name></sample>'
P2='<positions axis="2Theta" unit="deg"><startPosition>10</startPosition><endPosition>12</endPosition></positions>'
PO='<positions axis="Omega" unit="deg"><startPosition>5</startPosition><endPosition>6</endPosition></positions>'
PC='<positions axis="Omega" unit="deg"><commonPosition>5</commonPosition></positions>'
PL='<positions axis="2Theta" unit="deg"><listPositions>10 11 12</listPositions></positions>'
printf '<?xml version="1.0"?>\n<xrdMeasurements>%s<xrdMeasurement measurementType="Scan"><scan><dataPoints>%s%s<intensities>1 2 3</intensities></dataPoints></scan></xrdMeasurement></xrdMeasurements>\n' "$S" "$P2" "$PO" > "$SEEDS/xml/single.xrdml"
printf '<xrdMeasurements>%s<xrdMeasurement measurementType="Scan"><scan><dataPoints>%s%s<beamAttenuationFactors>1 188 1</beamAttenuationFactors><counts>1 2 3</counts></dataPoints></scan></xrdMeasurement></xrdMeasurements>\n' "$S" "$PL" "$PO" > "$SEEDS/xml/counts.xrdml"
printf '<xrdMeasurements>%s<xrdMeasurement measurementType="Area measurement"><scan><dataPoints>%s%s<intensities>1 2</intensities></dataPoints></scan><scan><dataPoints>%s%s<intensities>3 4</intensities></dataPoints></scan></xrdMeasurement></xrdMeasurements>\n' "$S" "$P2" "$PO" "$P2" "$PO" > "$SEEDS/xml/area.xrdml"
printf '<xrdMeasurements><xrdMeasurement measurementType="Area measurement"><scan><dataPoints>%s%s<counts>1 2 3</counts><commonBeamAttenuationFactor>2</commonBeamAttenuationFactor></dataPoints></scan></xrdMeasurement></xrdMeasurements>\n' "$PL" "$PC" > "$SEEDS/xml/area_common.xrdml"
printf 'HR-XRDSCAN\r\nFIRSTANGLE, 10.0\r\nSTEPWIDTH, 0.01\r\nNROFDATA, 3\r\nSCANDATA\r\n12\r\n15,5\r\n9\r\n' > "$SEEDS/header_counts/scan.x00"
printf 'HR-XRDSCAN\nNROFDATA,2\nSCANDATA\n' > "$SEEDS/header_counts/short.x00"
COLS='H       K       L       D     TIM    CTS      TTH     OM     PHI     CHI    MON'
printf 'SUPERDATA\n> mscan tth 20 30 0.5 1 1 1 2 x\n%s\n0 0 0 1.5 1 5 20.0 7.5 0 0 100\n0 0 0 1.5 1 6 20.5 7.5 0 0 100\n' "$COLS" > "$SEEDS/scan_list/tth.001"
printf 'SUPERDATA\n> mscan phi 0 360 5 3 x\n%s\n0 0 0 1 1 5 20 7 350 0 1\n0 0 0 1 1 6 20 7 0 0 1\n0 0 0 1 1 x 20 7 5 0 1\n> mscan tth 1 2 3 4 5 6 1\n%s\n0 0 0 1 1 5 20 7 1 0 1\n' "$COLS" "$COLS" > "$SEEDS/scan_list/two.001"
printf '# 2Theta counts\n10,5;1234\n10,6;1000\n10,7;3000000000\n' > "$SEEDS/two_column/comma.txt"
printf '10.0 1\r\n10.1 2\r\n10.2 3\r\n' > "$SEEDS/two_column/crlf.txt"
printf '# x y e\n; c\n-1.5\t0.25\t0.1\n2;1,5e2;3\n\n7 30 5\n' > "$SEEDS/column_file/mixed.xye"
printf 'angle,counts\n1.5, 10\n2.5 ,20\n' > "$SEEDS/column_file/titled.csv"
printf '*RAS_DATA_START\n*RAS_HEADER_START\n*FILE_SAMPLE "s"\n*MEAS_COND_AXIS_NAME-0 "Omega"\n*MEAS_COND_AXIS_POSITION-0 "3"\n*MEAS_SCAN_AXIS_X "2-Theta"\n*RAS_HEADER_END\n*RAS_INT_START\n1 2 1\n2 3 114.7\n*RAS_INT_END\n*RAS_HEADER_START\n*MEAS_COND_AXIS_NAME-0 "Omega"\n*MEAS_COND_AXIS_POSITION-0 "4"\n*MEAS_SCAN_AXIS_X "2-Theta"\n*RAS_HEADER_END\n*RAS_INT_START\n1 2\n*RAS_INT_END\n*RAS_DATA_END\n' > "$SEEDS/rigaku_ras/series.ras"
printf 'TITLE XRD Plot: S1 film\r\n22.7850   STO (001)\r\n46.4720   STO (002)\r\n\r\n30.1000   ?\r\n' > "$SEEDS/peak_list_file/ident.txt"
printf '10,5\n11.25\n\n12\n' > "$SEEDS/peak_list_file/plain.txt"
cp "$ROOT"/data/*.DEF "$SEEDS/ini_file/" 2>/dev/null || true
printf '[MAIN]\nLeft=10\nTop=$1F\nVisible=true\n; comment\n[FILEHISTORY]\nFILE0=/data/a b.xrdml\n' > "$SEEDS/ini_file/main.ini"
printf '\x01\x03\x00\x10\x7f\xff\x20\x41\x42\x01\x80\x02\x09\x33\x10\xee' > "$SEEDS/text_exchange/bytes.bin"

DICT="$BUILD/fuzz-xml.dict"
cat > "$DICT" <<'DICT_END'
"<?xml version=\"1.0\"?>"
"<xrdMeasurements>"
"</xrdMeasurements>"
"<sample>"
"<id>"
"<name>"
"<xrdMeasurement measurementType=\"Scan\">"
"<xrdMeasurement measurementType=\"Area measurement\">"
"</xrdMeasurement>"
"<scan>"
"</scan>"
"<dataPoints>"
"</dataPoints>"
"<positions axis=\"2Theta\" unit=\"deg\">"
"<positions axis=\"Omega\" unit=\"deg\">"
"<positions axis=\"Phi\" unit=\"deg\">"
"<positions axis=\"Psi\" unit=\"deg\">"
"</positions>"
"<startPosition>"
"</startPosition>"
"<endPosition>"
"</endPosition>"
"<commonPosition>"
"<listPositions>"
"<intensities>"
"</intensities>"
"<counts>"
"</counts>"
"<beamAttenuationFactors>"
"<commonBeamAttenuationFactor>"
"<![CDATA["
"<!ENTITY"
"&amp;"
DICT_END

RAS_DICT="$BUILD/fuzz-ras.dict"
cat > "$RAS_DICT" <<'DICT_END'
"*RAS_DATA_START"
"*RAS_HEADER_START"
"*RAS_HEADER_END"
"*RAS_INT_START"
"*RAS_INT_END"
"*RAS_DATA_END"
"*FILE_SAMPLE "
"*MEAS_SCAN_AXIS_X "
"*MEAS_COND_AXIS_NAME-"
"*MEAS_COND_AXIS_NAME_INTERNAL-"
"*MEAS_COND_AXIS_POSITION-"
"\"2-Theta/Omega\""
"\"Omega\""
"\"Chi\""
DICT_END

# ---- run ----
status=0
for target in "${TARGETS[@]}"; do
  name="${target#fuzz_}"
  corpus="$BUILD/fuzz-corpus/$name"
  mkdir -p "$corpus"
  extra=()
  [ "$name" = xml ] && extra+=(-dict="$DICT")
  [ "$name" = rigaku_ras ] && extra+=(-dict="$RAS_DICT")
  echo "== $target: ${SECONDS_PER_TARGET}s"
  if ! "$BUILD/bin/$target" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$BUILD/fuzz-artifacts/$name-" "${extra[@]}" \
      "$corpus" "$SEEDS/$name" 2>"$BUILD/fuzz-$name.log"; then
    echo "$target FAILED; see $BUILD/fuzz-$name.log and $BUILD/fuzz-artifacts" >&2
    tail -40 "$BUILD/fuzz-$name.log" >&2
    status=1
  else
    grep -E "stat::number_of_executed_units|cov:" "$BUILD/fuzz-$name.log" | tail -2
  fi
done
exit $status
