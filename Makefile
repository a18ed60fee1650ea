# make run   installs what is missing, builds and starts Plumtype
# make test  installs what is missing, builds and runs every test
BUILD ?= build
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all setup build run test bench clean

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

clean:
	rm -rf $(BUILD)
