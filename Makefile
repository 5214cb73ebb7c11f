# orvex: `make demo` and `make test` work on a fresh Debian machine.
PACKAGES := libnetcdf-dev netcdf-bin cmake g++ make pkg-config libgtest-dev libbenchmark-dev
PREFIX   ?= /usr/local
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CTEST    := ctest --output-on-failure -j $(JOBS)

.PHONY: all deps build build-asan test test-asan demo bench install clean

all: build

# Installs with apt-get only the packages that are missing.
deps:
	@missing=""; for p in $(PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON
	cmake --build build-asan -j $(JOBS)

test-asan: build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

test: build
	cd build && $(CTEST)
	$(MAKE) test-asan

demo: build
	bash examples/run_demo.sh

bench: build
	@for b in build/bench/bench_*; do echo "== $$b"; $$b; done

install: build
	cmake --install build --prefix $(PREFIX)

clean:
	rm -rf build build-asan
