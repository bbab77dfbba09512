# Thin wrapper over CMake so the README's two commands stay short.
BUILD ?= build
CONFIG ?= resources/examples/localhost.ini
CMAKE_FLAGS ?=
JOBS ?= $(shell nproc)

.PHONY: deps configure build run test bench format clean install package

deps:
	scripts/install-deps

# VELNORIX_WERROR=ON (as CI sets it) makes compiler warnings errors.
configure: deps
	@test -f $(BUILD)/build.ninja || cmake -S . -B $(BUILD) -G Ninja \
	  $(if $(VELNORIX_WERROR),-DVELNORIX_WERROR=$(VELNORIX_WERROR)) $(CMAKE_FLAGS)

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# The desktop program when a display is there, the console monitor otherwise.
run: build
	scripts/run-monitor $(BUILD) $(CONFIG)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

bench: deps
	cmake -S . -B $(BUILD)-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DVELNORIX_BUILD_BENCH=ON -DVELNORIX_BUILD_TESTS=OFF
	cmake --build $(BUILD)-bench -j $(JOBS)

# DESTDIR and PREFIX as usual: make install PREFIX=/usr DESTDIR=/tmp/stage
PREFIX ?= /usr/local
install: build
	DESTDIR=$(DESTDIR) cmake --install $(BUILD) --prefix $(PREFIX)

# The two .debs (velnorix-cli and velnorix) in $(BUILD), their dependencies found from the
# libraries their programs link.
package: build
	cmake --build $(BUILD) --target package

format: configure
	cmake --build $(BUILD) --target format

clean:
	rm -rf $(BUILD) $(BUILD)-bench $(BUILD)-asan
