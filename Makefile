# The two commands that matter: `make run` and `make test` (`make check` for
# the native suites alone).
BUILD ?= build
WEB_BUILD ?= build-web
WINDOWS_BUILD ?= build-windows
JOBS ?= 2
SHOW_DIR = $(BUILD)/show

FUZZ_SECONDS ?= 60

# Where `make install` puts the show; DESTDIR stages it elsewhere.
PREFIX ?= /usr/local

.PHONY: all deps package-deps test-deps web-deps windows-deps programs configure build run web serve-web windows \
	check test install uninstall package linux-portable test-debian13 test-linux-portable \
	bench bench-web bench-windows fuzz check-sanitize check-clang clean

all: build

# What the show needs; what its package adds; what the tests add.
deps:
	@scripts/install-deps

package-deps:
	@scripts/install-deps --package

test-deps:
	@scripts/install-deps --test

web-deps:
	@scripts/install-deps --web

# The cross compiler and Wine from Debian, then the libraries the Windows
# build links, built once from Debian's sources into $(WINDOWS_BUILD)/deps.
windows-deps:
	@scripts/install-deps --windows
	@scripts/windows-deps $(WINDOWS_BUILD)/deps

CMAKE_CONFIGURE = cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DMARDUNQIST_WEB_BUILD=$(CURDIR)/$(WEB_BUILD) \
	-DMARDUNQIST_WINDOWS_BUILD=$(CURDIR)/$(WINDOWS_BUILD)

# The three programs and the data they play, nothing of the tests. A new
# build tree gets no tests; one that `make build` made keeps them.
programs: deps
	@$(CMAKE_CONFIGURE) $(if $(wildcard $(BUILD)/CMakeCache.txt),,-DMARDUNQIST_TESTS=OFF) >/dev/null
	@cmake --build $(BUILD) -j $(JOBS) --target programs

# Everything native, the tests and the benchmarks included.
configure: test-deps
	@$(CMAKE_CONFIGURE) -DMARDUNQIST_TESTS=ON -DMARDUNQIST_BENCH=ON >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The build generates the default data folder.
run: programs
	cd $(SHOW_DIR) && ../mardunqist

# The browser build: a static site in $(WEB_BUILD)/site, the web capture beside it.
web: build web-deps
	@cmake -E env NODE_PATH=/usr/share/nodejs emcmake cmake -S . -B $(WEB_BUILD) \
		-DCMAKE_BUILD_TYPE=Release -DMARDUNQIST_DATA_DIR=$(CURDIR)/$(SHOW_DIR) >/dev/null
	@cmake --build $(WEB_BUILD) -j $(JOBS)

serve-web: web
	@node scripts/serve-web.mjs $(WEB_BUILD)/site 8000

# The Windows programs and $(WINDOWS_BUILD)/mardunqist-win64.zip, cross-built
# with MinGW-w64 (the native build makes the zip's data files).
windows: build windows-deps
	@cmake -S . -B $(WINDOWS_BUILD) -DCMAKE_BUILD_TYPE=Release \
		-DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/mingw-w64-x86_64.cmake \
		-DCMAKE_PREFIX_PATH=$(CURDIR)/$(WINDOWS_BUILD)/deps/prefix \
		-DMARDUNQIST_DATA_DIR=$(CURDIR)/$(SHOW_DIR) >/dev/null
	@nice cmake --build $(WINDOWS_BUILD) -j $(JOBS)

# The native programs and their suites (unit, GL, shell, end to end, each
# benchmark once), without installing or building the web and Windows
# sides: the quick loop.
check: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS) -L native

# Every suite: the native ones, the page in three browsers, Windows under Wine.
test: build web windows
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

install: programs
	@DESTDIR="$(DESTDIR)" cmake --install $(BUILD) --prefix "$(PREFIX)"

# Takes away what `make install` with the same PREFIX and DESTDIR put in place,
# as it wrote it down in $(BUILD)/install-records.
uninstall:
	@DESTDIR="$(DESTDIR)" cmake -DMARDUNQIST_RECORD_STEP=uninstall -DMARDUNQIST_PREFIX="$(PREFIX)" \
		-DMARDUNQIST_RECORDS="$(abspath $(BUILD))/install-records" -P packaging/install_record.cmake

# The Debian package, in $(BUILD).
package: programs package-deps
	@cd $(BUILD) && cpack

# build/mardunqist-linux-x86_64.tar.gz: the programs and data with the
# libraries other distributions may lack, for any x86-64 Linux with GTK 3
# and GL; SDL2 built once from Debian's source into $(BUILD)-portable.
linux-portable: programs package-deps
	@scripts/linux-portable $(BUILD) $(BUILD)-portable $(BUILD)/mardunqist-linux-x86_64.tar.gz

# In a Debian 13 root made with debootstrap (kept in $(BUILD)/debian13): the
# README's set-up and build, the native suites, the package, and the package
# installed into a bare root, where it plays; the Debian 12 package too.
test-debian13: package test-deps
	@tests/debian13/run.sh $(BUILD)/debian13 $(BUILD)

# The portable build unpacked in a Debian 13 root that has GTK 3 and GL but
# none of the bundled libraries.
test-linux-portable: linux-portable test-deps
	@tests/debian13/portable.sh $(BUILD)/debian13 $(BUILD)/mardunqist-linux-x86_64.tar.gz

# Frame cost, whole-show speed, start-up, memory and capture throughput, in a
# Release build of its own (bench/run says what each figure means).
bench: test-deps
	@cmake -S . -B $(BUILD)-bench -DCMAKE_BUILD_TYPE=Release -DMARDUNQIST_BENCH=ON >/dev/null
	@cmake --build $(BUILD)-bench -j $(JOBS) --target step_bench whole_show whole_show_plain gentle_show startup_probe present_bench \
		mardunqist mardunqist-capture mardunqist-assets
	@bench/run $(BUILD)-bench

# The web build against the native one: frames (PSNR), speed, download size.
bench-web: web
	@node bench/web.mjs $(WEB_BUILD) $(BUILD)

# The Windows programs under Wine against the native ones: zip size,
# start-up, capture speed.
bench-windows: windows
	@bench/windows.sh $(BUILD) $(WINDOWS_BUILD)

# The picture loader under libFuzzer (clang), seeded with the show's own
# pictures and the tests' good and bad JPEGs.
fuzz: build
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DMARDUNQIST_FUZZ=ON -DMARDUNQIST_TESTS=OFF >/dev/null
	@cmake --build $(BUILD)-fuzz --target image_fuzzer -j $(JOBS)
	@mkdir -p $(BUILD)-fuzz/corpus $(BUILD)-fuzz/seed
	@$(BUILD)/mardunqist-assets --if-stale $(BUILD)-fuzz/seed
	@cp $(BUILD)-fuzz/seed/*.jpg $(BUILD)-fuzz/corpus/
	cd $(BUILD)-fuzz && ./tests/fuzz/image_fuzzer -max_total_time=$(FUZZ_SECONDS) \
		-malloc_limit_mb=300 -rss_limit_mb=2048 -close_fd_mask=2 -max_len=65536 corpus

# Every test again under AddressSanitizer and UndefinedBehaviorSanitizer.
check-sanitize: test-deps
	@cmake -S . -B $(BUILD)-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DMARDUNQIST_SANITIZE=ON -DMARDUNQIST_BENCH=OFF >/dev/null
	@cmake --build $(BUILD)-sanitize -j $(JOBS)
	@cd $(BUILD)-sanitize && LD_PRELOAD=$(CURDIR)/$(BUILD)-sanitize/libno_dlclose.so \
		ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0 \
		LSAN_OPTIONS=suppressions=$(CURDIR)/tests/sanitize/lsan.supp:print_suppressions=0 \
		UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j $(JOBS)

# Every native program and test compiled with clang, warnings as errors
# (GCC's are in `make build`; CI=true makes them errors there).
check-clang: test-deps
	@CC=clang CXX=clang++ cmake -S . -B $(BUILD)-clang -DCMAKE_BUILD_TYPE=Release -DMARDUNQIST_TESTS=ON \
		-DMARDUNQIST_WERROR=ON >/dev/null
	@nice cmake --build $(BUILD)-clang -j $(JOBS)

# The Windows libraries' cache ($(WINDOWS_BUILD)/deps) and the portable
# build's SDL2 ($(BUILD)-portable) stay: each is rebuilt only when the native
# libraries' versions change. --one-file-system: never into anything left
# mounted in a Debian 13 root.
clean:
	rm -rf --one-file-system $(BUILD) $(BUILD)-fuzz $(BUILD)-sanitize $(BUILD)-clang $(WEB_BUILD) \
		$(filter-out $(WINDOWS_BUILD)/deps,$(wildcard $(WINDOWS_BUILD)/*))
