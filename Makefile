# phpswitch: `make run` builds and starts the Linux app, `make test` builds
# every preset and runs every test. Both install what is missing first.

NATIVE  := linux linux-asan
WINDOWS := win32 win64-test

.PHONY: all deps configure build test run clean

all: build

deps:
	@bash tools/deps.sh

build/%/build.ninja: CMakeLists.txt CMakePresets.json | deps
	cmake --preset $* >/dev/null

build-%: deps build/%/build.ninja
	cmake --build --preset $*

build: $(addprefix build-,$(NATIVE) $(WINDOWS))

test: build
	ctest --preset linux
	ctest --preset linux-asan
	ctest --preset win64-test

run: deps build/linux/build.ninja
	cmake --build --preset linux --target phpswitch
	@bash tools/make_portable.sh build/linux >/dev/null
	build/linux/portable/phpswitch

clean:
	rm -rf build
