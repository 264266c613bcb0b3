# Front door: `make run` starts Tallisk, `make test` runs every test.
# The recipes source the test scripts' bash routines.
SHELL   := /bin/bash
BUILD   ?= build
NATIVE  := $(BUILD)/native
WINDOWS := $(BUILD)/windows
# The 64-bit tree is for the tests and for machines that cannot run 32-bit
# programs; the 32-bit tree is the product.
WINDOWS64 := $(BUILD)/windows64

# What is built and packed carries the last commit's time, not the clock's
# (the linker stamps it into the programs): the same sources, the same bytes.
export SOURCE_DATE_EPOCH := $(shell bash tools/source-date-epoch.sh)

.PHONY: all setup build test soak soak-model run bench fuzz dist clean

all: build

setup:
	@bash tools/setup.sh

$(NATIVE)/build.ninja:
	cmake -S . -B $(NATIVE) -G Ninja -DCMAKE_BUILD_TYPE=Release

$(WINDOWS)/build.ninja:
	cmake -S . -B $(WINDOWS) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw32.cmake

$(WINDOWS64)/build.ninja:
	cmake -S . -B $(WINDOWS64) -G Ninja -DCMAKE_BUILD_TYPE=Release \
	      -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw64.cmake

build: setup $(NATIVE)/build.ninja $(WINDOWS)/build.ninja $(WINDOWS64)/build.ninja
	cmake --build $(NATIVE)
	cmake --build $(WINDOWS)
	cmake --build $(WINDOWS64)

test: build
	@bash tools/test.sh $(BUILD)

# The random tester for as long as asked: make soak SEED=7 ACTIONS=5000 ARCH=32
SEED    ?= 1
ACTIONS ?= 2000
ARCH    ?= 64
soak: build
	@tree=$$(. tools/wine-arch.sh && tallisk_windows_tree $(CURDIR)/$(BUILD) $(ARCH)) || exit 1; \
	TALLISK_ARCH=$(ARCH) TALLISK_SOURCE=$(CURDIR) TALLISK_BUILD=$$tree TALLISK_WINE_DIR=$$tree/wine \
	  /usr/bin/python3 tests/monkey/monkey.py $(SEED) $(ACTIONS) soak-$(SEED)

# The in-process model test as long as asked: make soak-model SEED=7 ACTIONS=100000 ARCH=32
soak-model: build
	@. tools/wine-arch.sh; if [ $(ARCH) = 32 ] && ! tallisk_can_run_32bit; then \
	  echo "soak-model: no 32-bit run: $$tallisk_no_32bit_reason"; exit 1; fi; \
	tree=$$(tallisk_windows_tree $(CURDIR)/$(BUILD) $(ARCH)) || exit 1; \
	cd $$tree/tests/window && TALLISK_ARCH=$(ARCH) TALLISK_SOURCE=$(CURDIR) TALLISK_BUILD=$$tree \
	  TALLISK_WINE_DIR=$$tree/wine TALLISK_MODEL_SEED=$(SEED) TALLISK_MODEL_ACTIONS=$(ACTIONS) \
	  bash $(CURDIR)/tests/wine/run.sh ./model_test.exe

run: build
	@bash tools/run.sh $(BUILD)

# Every benchmark runs, even after one misses its goal; the target fails at the end.
bench: build
	@failed=; for f in bench/*.sh; do bash $$f $(BUILD) || failed+=" $$f"; done; \
	if [ -n "$$failed" ]; then echo "bench: missed its goal:$$failed"; exit 1; fi

fuzz: build
	@bash tools/fuzz.sh $(BUILD)

dist: build
	@bash tools/dist.sh $(WINDOWS)

clean:
	rm -rf $(BUILD) dist
