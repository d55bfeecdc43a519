#!/usr/bin/env bash
# Builds the fuzz targets with clang as libFuzzer programs (AddressSanitizer and UndefinedBehavior-
# Sanitizer on) in build-fuzz and runs each for a short, fixed time, starting from its seeds and from
# the inputs that once broke it. A crash, a failed property, a leak or an input that takes longer than
# 25 s (a hang: the slowest honest input takes a few seconds under the sanitizers) fails the step;
# the input that did it is left in build-fuzz/tests/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/../.."

./build.sh install clang libclang-rt-14-dev

cmake -S . -B build-fuzz -G Ninja -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DVANTREL_FUZZ=ON \
      -DVANTREL_FUZZ_SECONDS="${VANTREL_FUZZ_SECONDS:-15}" >/dev/null
cmake --build build-fuzz --target vantrel-fuzzers -j "$(nproc)"
cd build-fuzz
ctest -L fuzzrun -j "$(nproc)" --output-on-failure
