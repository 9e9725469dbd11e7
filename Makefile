# Set-up and checks. `make test` works on a fresh Debian 12 machine as root or with sudo.
PRESET ?= default

.PHONY: all deps configure build test asan bench format clean

all: build

deps:
	@scripts/install-deps

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET)

test: build
	ctest --preset $(PRESET)

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer.
asan:
	$(MAKE) test PRESET=asan

bench: build
	./build/$(PRESET)/bench/vexcore-bench

format:
	find src tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
