# make run   installs what is missing, builds and starts Plumtype
# make test  installs what is missing, builds and runs every test
# make fuzz  runs every fuzz target for FUZZ_SECONDS (clang, libFuzzer)
# make sanitize  runs every test under AddressSanitizer and UBSan
# make install PREFIX=...  builds and installs both programs (default /usr/local)
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
PREFIX ?= /usr/local

FUZZ_SECONDS ?= 60
# Leaks are checked; those that lie wholly in system libraries are suppressed.
SANITIZE_ENV = ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
	LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

.PHONY: all setup build run test bench clean fuzz sanitize install

all: build

setup:
	@scripts/setup.sh

build: setup
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/bin/plumtype

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Benchmarks are not part of the tests: speed is measured here.
bench: setup
	@cmake -S . -B $(BUILD) -DPLUMTYPE_BENCHMARKS=ON >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)
	$(BUILD)/bin/bench_core
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/bench_startup --benchmark_filter=-BM_StartupHugeFile
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/bench_startup --benchmark_filter='BM_StartupHugeFile/0'
	QT_QPA_PLATFORM=offscreen $(BUILD)/bin/bench_startup --benchmark_filter='BM_StartupHugeFile/1'
	$(BUILD)/bin/keystrokes
	$(BUILD)/bin/scansteps
	$(BUILD)/bin/bench_wordloom

# The core and its fuzz targets, built with clang in build-fuzz.
fuzz:
	@scripts/setup.sh fuzz
	@cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DPLUMTYPE_FUZZ=ON \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@cmake --build build-fuzz --target fuzzers -j $(JOBS)
	FUZZ_SECONDS=$(FUZZ_SECONDS) scripts/fuzz.sh build-fuzz

# Every test, fuzz regressions included, built with clang in build-sanitize.
sanitize:
	@scripts/setup.sh sanitize
	@cmake -S . -B build-sanitize -DCMAKE_CXX_COMPILER=clang++ -DPLUMTYPE_SANITIZE=ON \
		-DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
	@$(SANITIZE_ENV) cmake --build build-sanitize -j $(JOBS)
	cd build-sanitize && $(SANITIZE_ENV) QT_QPA_PLATFORM=offscreen \
		ctest --output-on-failure -j $(JOBS)

# bin/, share/plumtype/, the desktop entries, icons and AppStream file under
# PREFIX; DESTDIR, when set, is put in front, as for a package.
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD)
