# Quillon: the two everyday commands are `make run` and `make test`.
MAKEFLAGS += --no-print-directory
BUILD  ?= build
PREFIX ?= $(CURDIR)/Quillon
JOBS   ?= 2

.PHONY: all deps clang-deps format-deps configure build program run test sanitize fuzz windows-test bench shots \
	format format-check clean

all: build

deps:
	@scripts/install-deps

# clang and its sanitizer runtime, only for the targets that build with it.
clang-deps:
	@scripts/install-deps clang

# clang-format, only for the format targets.
format-deps:
	@scripts/install-deps format

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The program and its help pages only, without the tests.
program: configure
	@cmake --build $(BUILD) -j$(JOBS) --target quillon quillon_help

# The program's database and Quillon.ini live in Quillon/, beside the installed
# binary and its Help folder; neither a rebuild nor `make clean` touches that folder.
run: program
	@cmake --install $(BUILD) --prefix $(PREFIX) --component folder >/dev/null
	@$(PREFIX)/quillon

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

# The Qt-free libraries and their tests cross-built for Windows with mingw-w64
# in build-windows, run under Wine (installs those packages when missing).
windows-test:
	@JOBS=$(JOBS) scripts/windows-test

# The whole test suite again, built by clang with AddressSanitizer and
# UndefinedBehaviorSanitizer in build-sanitize; any report fails the run.
SANITIZE_BUILD ?= build-sanitize
SANITIZE_ENV = ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:strict_init_order=1 \
	UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
sanitize: deps clang-deps
	@CXX=clang++ CC=clang cmake -S . -B $(SANITIZE_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUILLON_SANITIZE=ON >/dev/null
	@$(SANITIZE_ENV) cmake --build $(SANITIZE_BUILD) -j$(JOBS)
	@cd $(SANITIZE_BUILD) && $(SANITIZE_ENV) ctest --output-on-failure -j$(JOBS)

# Each libFuzzer target in fuzz/ for FUZZ_SECONDS (default 60) from its seed
# corpus, built in build-fuzz; a finding fails the run, its input kept in
# build-fuzz/fuzz/work/<target>/artifacts.
FUZZ_BUILD ?= build-fuzz
FUZZ_SECONDS ?= 60
fuzz: deps clang-deps
	@CXX=clang++ CC=clang cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DQUILLON_FUZZ=ON >/dev/null
	@cmake --build $(FUZZ_BUILD) -j$(JOBS) --target fuzzers
	@fuzz/run-all $(FUZZ_BUILD)/fuzz $(FUZZ_SECONDS)

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

# Pictures of the windows, drawn offscreen, into build/shots.
shots: configure
	@cmake --build $(BUILD) -j$(JOBS) --target shots
	@$(BUILD)/tools/shots $(BUILD)/shots

# The C++ sources under version control, formatted by the root .clang-format.
# An empty list is an error: clang-format would otherwise read standard input.
CLANG_FORMAT ?= clang-format
FORMAT_PATHS = 'src/*.h' 'src/*.cpp' 'tests/*.h' 'tests/*.cpp' 'bench/*.h' 'bench/*.cpp' \
	'fuzz/*.h' 'fuzz/*.cpp' 'tools/*.h' 'tools/*.cpp'
FORMAT_FILES = files=$$(git ls-files -- $(FORMAT_PATHS)) && [ -n "$$files" ] || \
	{ echo "git ls-files found no C++ sources to format" >&2; exit 1; }

# Rewrites the sources in place.
format: format-deps
	@$(FORMAT_FILES); $(CLANG_FORMAT) -i $$files

# Lists every place that differs from the style and fails; changes nothing.
format-check: format-deps
	@$(FORMAT_FILES); $(CLANG_FORMAT) --dry-run -Werror $$files

clean:
	rm -rf $(BUILD)
