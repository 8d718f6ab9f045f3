# make build  - the Windows program at build/win32/MasterInstall.exe
# make run    - build it and run it under Wine on a sample medium
# make test   - install what is missing, build everything, run every test
# make bench  - start-up and cleanup benchmarks under Wine
SHELL := /bin/bash
WIN32_DIR := build/win32
HOST_DIR := build/host

.PHONY: all build deps run test bench clean

all: build

deps:
	@./tools/install-deps.sh

build: deps
	@cmake -S . -B $(WIN32_DIR) -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
	@cmake --build $(WIN32_DIR) -j2

run: build
	@./tools/run-sample.sh

test: build
	@./tools/run-tests.sh

bench: build
	@./bench/run.sh

clean:
	rm -rf build
