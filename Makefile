# Top-level entry points. Every target first installs what is missing (scripts/install-deps).
BUILD      ?= build
ASAN_BUILD ?= build-asan
TSAN_BUILD ?= build-tsan
COV_BUILD  ?= build-cov
JOBS       ?= $(shell nproc)
CMAKE_GEN  := -G Ninja
DEPS       := scripts/install-deps

PREFIX     ?= /usr/local

.PHONY: install package all deps deps-test deps-bench deps-coverage configure build test run run-cd bench sanitize tsan lint coverage fuzz soak clean format

all: build

deps:
	@$(DEPS) build
deps-test:
	@$(DEPS) test
deps-bench:
	@$(DEPS) bench
deps-coverage:
	@$(DEPS) coverage

$(BUILD)/build.ninja: | deps
	cmake -S . -B $(BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

test: deps-test build
	ctest --test-dir $(BUILD) -j $(JOBS) --output-on-failure

run: deps-test build
	scripts/run-demo $(BUILD)

run-cd: deps-test build
	scripts/run-demo $(BUILD) cd

bench: deps-bench build
	cmake --build $(BUILD) -j $(JOBS) --target benchmarks
	scripts/run-bench $(BUILD)

sanitize: deps-test
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTUNEDECK_SANITIZE=address,undefined -DTUNEDECK_BENCH=OFF
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --test-dir $(ASAN_BUILD) -j $(JOBS) --output-on-failure

tsan: deps-test
	cmake -S . -B $(TSAN_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTUNEDECK_SANITIZE=thread
	cmake --build $(TSAN_BUILD) -j $(JOBS) --target test_engine test_cd test_audio test_library test_remote
	TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
	  ctest --test-dir $(TSAN_BUILD) -j $(JOBS) --output-on-failure

# Line coverage of src/ by every test, with gcov and lcov; the summary is printed, the report is
# left in $(COV_BUILD)/coverage/index.html.
coverage: deps-coverage
	cmake -S . -B $(COV_BUILD) $(CMAKE_GEN) -DCMAKE_BUILD_TYPE=Debug -DTUNEDECK_COVERAGE=ON -DTUNEDECK_BENCH=OFF
	cmake --build $(COV_BUILD) -j $(JOBS)
	lcov --quiet --zerocounters --directory $(COV_BUILD)
	-ctest --test-dir $(COV_BUILD) -j $(JOBS) --output-on-failure
	scripts/coverage-report $(COV_BUILD)

# DESTDIR stages the tree elsewhere (as a packager does); PREFIX is where it will run from. The
# layout is the package's: PREFIX/lib/tunedeck, PREFIX/bin/tunedeck, settings in PREFIX/etc/tunedeck
# (/etc/tunedeck for PREFIX=/usr), never replaced once there.
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

package: build
	cd $(BUILD) && cpack -G DEB

# Naming rules (.clang-tidy) on everything the build compiles.
lint: deps-test build
	scripts/run-lint $(BUILD)

fuzz: deps-test
	scripts/run-fuzz

soak: deps-test build
	scripts/run-soak $(BUILD)

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(TSAN_BUILD) $(COV_BUILD)

format:
	find src tests tools bench fuzz -name '*.cpp' -o -name '*.h' | xargs clang-format -i
