# Front door: `make` builds into build/, `make check` installs what is missing, builds and tests.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
WERROR ?= OFF

.PHONY: all build configure check deps demo clean

all: build

deps:
	scripts/install-deps

configure:
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPIDORV_WERROR=$(WERROR) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

check: deps build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 300

clean:
	rm -rf $(BUILD)
