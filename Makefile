# phpswitch: `make run` builds and starts the Linux app, `make test` builds
# every preset and runs every test. Both install what is missing first.
# `make fuzz` runs each fuzz target for a minute, `make bench` prints the figures.

NATIVE  := linux linux-asan linux-tsan
WINDOWS := win32 win64-test

.PHONY: all deps configure build test run clean fuzz bench

all: build

deps:
	@bash tools/deps.sh

# Kept between runs: make would otherwise delete them as intermediate files.
.PRECIOUS: build/%/build.ninja

build/%/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset $* >/dev/null

build-%: deps build/%/build.ninja
	cmake --build --preset $*

build: $(addprefix build-,$(NATIVE) $(WINDOWS))

test: build
	bash fuzz/run.sh --smoke
	ctest --preset linux
	ctest --preset linux-asan
	ctest --preset linux-tsan
	ctest --preset win64-test

fuzz: deps
	bash fuzz/run.sh 60

bench: deps build-linux build-win32
	bash bench/run.sh build/linux build/win32 60

run: deps build/linux/build.ninja
	cmake --build --preset linux --target phpswitch
	@bash tools/make_portable.sh build/linux >/dev/null
	build/linux/portable/phpswitch

clean:
	rm -rf build
