# Set-up and checks. `make test` works on a fresh Debian 12 machine as root or with sudo.
PRESET ?= default

.PHONY: all deps configure build test run asan coverage bench fuzz format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# Two virtual radios: read the first with the command-line tool, write it into the second.
run: build
	scripts/run-demo build/$(PRESET)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) test PRESET=asan

# Line and branch coverage of the core library (vexcore) by every test; the report goes to
# build/coverage/coverage.html, the summary to the terminal.
# The counters are zeroed first: they add up over runs. The rule script's line figure comes from
# the coverage build's line hook; the lines it never ran are in build/coverage/rules-lua-missed.txt.
coverage:
	$(MAKE) build PRESET=coverage
	find build/coverage -name '*.gcda' -delete
	rm -f build/coverage/rules-lua.txt
	ctest --preset coverage
	scripts/coverage-report build/coverage

# The libFuzzer targets (clang), each run for FUZZ_SECONDS on its seeds; not part of CI.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz
	scripts/run-fuzz build/fuzz $(FUZZ_SECONDS)

bench: build
	./build/$(PRESET)/bench/vexcore-bench
	./build/$(PRESET)/bench/vexlink-bench
	./build/$(PRESET)/bench/vexload-bench
	bench/startup-bench build/$(PRESET)

format:
	find src tests bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
