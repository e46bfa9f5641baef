# Quillon: the two everyday commands are `make run` and `make test`.
MAKEFLAGS += --no-print-directory
BUILD  ?= build
PREFIX ?= $(CURDIR)/Quillon
JOBS   ?= 2

.PHONY: all deps configure build run test bench shots clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

# The program's database and Quillon.ini live in Quillon/, beside the installed
# binary and its Help folder; neither a rebuild nor `make clean` touches that folder.
run: build
	@cmake --install $(BUILD) --prefix $(PREFIX) --component folder >/dev/null
	@$(PREFIX)/quillon

test: build
	@cd $(BUILD) && ctest --output-on-failure -j$(JOBS)

bench: configure
	@cmake --build $(BUILD) -j$(JOBS) --target benchmarks
	@for b in $(BUILD)/bench/bench_*; do [ -x "$$b" ] && "$$b" || exit 1; done

# Pictures of the windows, drawn offscreen, into build/shots.
shots: configure
	@cmake --build $(BUILD) -j$(JOBS) --target shots
	@$(BUILD)/tools/shots $(BUILD)/shots

clean:
	rm -rf $(BUILD)
