# wyn: `make` builds every target into dist/, `make test` runs all suites, `make demo` runs
# the demo, `make fuzz` runs the fuzz harnesses (FUZZ_SECONDS each, default 300). Each
# installs the packages it needs first (see cmake/install-deps.sh).

TARGETS := linux windows-x86_64 windows-x86
TEST_TREES := linux linux-asan windows-x86_64 windows-x86 fuzz
FUZZ_SECONDS ?= 300
JOBS ?= $(shell nproc)

.PHONY: all deps dist test fuzz demo bench clean format $(addprefix build-,$(TEST_TREES))

all: dist

deps:
	@sh cmake/install-deps.sh

build/%/CMakeCache.txt: | deps
	cmake --preset $* >/dev/null

$(addprefix build-,$(TEST_TREES)): build-%: build/%/CMakeCache.txt
	cmake --build build/$* -j $(JOBS)

# dist/bin/wynpack carries the three stubs and the support jar (wynpack-carry), so a copy of
# it packs for every target alone; dist/stubs/ and dist/lib/ hold the same files for --stub,
# --support-jar and javac -cp.
dist: $(addprefix build-,$(TARGETS))
	@mkdir -p dist/bin dist/lib dist/stubs/linux-x86_64 dist/stubs/windows-x86_64 dist/stubs/windows-x86
	cp build/linux/src/wyn dist/stubs/linux-x86_64/wyn
	cp build/windows-x86_64/src/wyn.exe dist/stubs/windows-x86_64/wyn.exe
	cp build/windows-x86/src/wyn.exe dist/stubs/windows-x86/wyn.exe
	cp build/linux/lib/wyn-support.jar build/linux/lib/wyn-support-sources.jar \
	  build/linux/lib/wyn-support-javadoc.jar dist/lib/
	build/linux/tools/wynpack/wynpack-carry build/linux/bin/wynpack dist/bin/wynpack \
	  stubs/linux-x86_64/wyn=dist/stubs/linux-x86_64/wyn \
	  stubs/windows-x86_64/wyn.exe=dist/stubs/windows-x86_64/wyn.exe \
	  stubs/windows-x86/wyn.exe=dist/stubs/windows-x86/wyn.exe \
	  lib/wyn-support.jar=dist/lib/wyn-support.jar
	@echo "dist/ is ready"

# One CTest run over the trees of all targets, so that one summary line counts every test.
test: dist build-linux-asan build-fuzz
	@printf 'subdirs("linux" "linux-asan" "windows-x86_64" "windows-x86" "fuzz")\n' > build/CTestTestfile.cmake
	ctest --test-dir build --output-on-failure -j $(JOBS)

# Every fuzz harness in turn, at low priority, for FUZZ_SECONDS; the corpora grow under
# build/fuzz/fuzz-long/ from run to run.
fuzz: build-fuzz
	sh tests/fuzz/run-all.sh build/fuzz $(FUZZ_SECONDS)

DEMO_TARGETS := linux-x86_64 windows-x86_64 windows-x86

# Packs examples/hello for every target into dist/demo/ (the Windows ones with an icon and
# version information) and runs the Linux executable.
demo: dist
	@mkdir -p dist/demo
	@for target in $(DEMO_TARGETS); do \
	  suffix=$$(case $$target in windows-*) echo .exe;; esac); \
	  resources=$$(case $$target in windows-*) echo --icon examples/hello/hello.ico \
	    --file-version 1.0.0 --description Hello --company wyn;; esac); \
	  dist/bin/wynpack --target $$target --config examples/hello/hello.cfg \
	    --jar build/linux/examples/hello.jar --output dist/demo/hello-$$target$$suffix \
	    $$resources || exit 1; \
	done
	@echo "running: dist/demo/hello-linux-x86_64 first \"second argument\""
	@dist/demo/hello-linux-x86_64 first "second argument"

# Benchmarks (bench/run.sh): our start-up and class path against their references, as ratios
# from paired runs; the results go to build/bench/results.txt.
bench: build-linux
	@sh cmake/install-deps.sh rhino clojure
	@sh bench/run.sh

format:
	find src tools tests bench -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build dist
