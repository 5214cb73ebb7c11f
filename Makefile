# orvex: `make demo` and `make test` work on a fresh Debian machine.
DEMO_PACKAGES := libnetcdf-dev netcdf-bin cmake g++ make pkg-config
PACKAGES := $(DEMO_PACKAGES) libgtest-dev libbenchmark-dev
PACKAGES += libproj-dev cdo nco gdal-bin python3-xarray python3-netcdf4 python3-pyproj   # orvex-cf (PROJ) and its checks with the everyday tools
PACKAGES += libpnetcdf-dev libopenmpi-dev openmpi-bin   # parallel files
PACKAGES += gfortran   # the Fortran module, its tests and consumers
PACKAGES += pybind11-dev python3-pybind11 python3-pip python3-dev python3-pytest python3-numpy python3-xarray python3-matplotlib python3-pyproj   # the Python package
PREFIX   ?= /usr/local
JOBS     ?= $(shell nproc 2>/dev/null || echo 2)
SUDO     := $(shell [ "$$(id -u)" = 0 ] || echo sudo)
CTEST    := ctest --output-on-failure -j $(JOBS)

.PHONY: all deps demo-deps build build-asan test test-asan test-tsan demo bench install clean fuzz fuzz-deps

all: build

# Installs with apt-get only those of the packages $(1) that are missing.
install_missing = missing=""; for p in $(1); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get update -q && \
	  $(SUDO) env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $$missing; \
	fi

deps:
	@$(call install_missing,$(PACKAGES))

demo-deps:
	@$(call install_missing,$(DEMO_PACKAGES))

build: deps
	cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORVEX_BUILD_TESTS=ON
	cmake --build build -j $(JOBS)

build-asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DORVEX_SANITIZE=ON -DORVEX_BUILD_TESTS=ON
	cmake --build build-asan -j $(JOBS)

test-asan: build-asan
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 $(CTEST)

test: build
	cd build && $(CTEST)
	$(MAKE) test-asan
	$(MAKE) test-tsan

# The tool's matching queue (a second thread) and its tests alone under ThreadSanitizer.
test-tsan: deps
	@mkdir -p build-tsan
	cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_SANITIZE_THREAD=ON -DORVEX_BUILD_TESTS=ON -DORVEX_BENCH=OFF > build-tsan/configure.log
	cmake --build build-tsan -j $(JOBS) --target test_matching
	TSAN_OPTIONS=halt_on_error=1 build-tsan/tests/test_matching

# The demo builds only what it runs (the library, pondra and the input
# generator; a first configuration leaves the tests out) and keeps the build's
# lines in build/demo-build.log, so that what it shows is the run.
demo: demo-deps
	@mkdir -p build
	@echo "== Building the library, pondra and the demo generator (lines in build/demo-build.log)"
	@{ [ -f build/CMakeCache.txt ] || cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORVEX_BUILD_TESTS=OFF; } \
	  > build/demo-build.log 2>&1 && \
	  cmake --build build -j $(JOBS) --target pondra make_demo_inputs >> build/demo-build.log 2>&1 || \
	  { tail -n 40 build/demo-build.log; echo "== The build failed; its lines are in build/demo-build.log"; exit 1; }
	@bash examples/run_demo.sh

bench: build
	@for b in build/bench/bench_*; do echo "== $$b"; $$b; done
	@if [ -x build/bench/write_bench ]; then echo "== bench/parallel/run.sh"; bash bench/parallel/run.sh build; fi

install: build
	cmake --install build --prefix $(PREFIX)

# Fuzzing with clang's libFuzzer (AddressSanitizer and UndefinedBehaviorSanitizer
# on): each target runs FUZZ_SECONDS seconds from the checked-in corpus under
# tests/fuzz/corpus/<target>/ (the file-opening ones once more with the header
# checks on); what it learns goes to build-fuzzing/corpus/<target>/,
# crashing inputs to build-fuzzing/crashes/. `make test` replays the checked-in
# corpus without clang.
FUZZ_PACKAGES := clang libclang-rt-14-dev
FUZZ_TARGETS  ?= dialogue env list netcdf binary
FUZZ_CHECKED  ?= netcdf binary
FUZZ_SECONDS  ?= 60
FUZZ_CXX      ?= $(shell command -v clang++-14 || command -v clang++)
FUZZ_CC       ?= $(shell command -v clang-14 || command -v clang)

fuzz-deps: deps
	@$(call install_missing,$(FUZZ_PACKAGES))

fuzz: fuzz-deps
	cmake -S . -B build-fuzzing -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVEX_SANITIZE=ON -DORVEX_FUZZ=ON \
	  -DCMAKE_C_COMPILER=$(FUZZ_CC) -DCMAKE_CXX_COMPILER=$(FUZZ_CXX) \
	  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link
	cmake --build build-fuzzing -j $(JOBS) --target $(addprefix fuzz_,$(FUZZ_TARGETS))
	@mkdir -p build-fuzzing/crashes; status=0; for t in $(FUZZ_TARGETS) $(FUZZ_CHECKED:%=%+checks); do \
	  b=$${t%+checks}; mkdir -p build-fuzzing/corpus/$$b; echo "== fuzz_$$t for $(FUZZ_SECONDS) s"; \
	  env $$([ "$$b" = "$$t" ] || echo ORVEX_FUZZ_CHECK_HEADERS=1) \
	  build-fuzzing/tests/fuzz/fuzz_$$b build-fuzzing/corpus/$$b tests/fuzz/corpus/$$b \
	    -max_total_time=$(FUZZ_SECONDS) -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=build-fuzzing/crashes/$$b- || status=1; \
	done; exit $$status

clean:
	rm -rf build build-asan build-fuzzing
