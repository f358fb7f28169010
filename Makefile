# The two commands that matter: `make run` and `make test`.
BUILD ?= build
JOBS ?= 2
SHOW_DIR = $(BUILD)/show

.PHONY: all deps configure build run test bench clean

all: build

deps:
	@scripts/install-deps

configure: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

# The default data folder is regenerated only when missing or stale.
$(SHOW_DIR)/.assets-version: build
	@$(BUILD)/mardunqist-assets --if-stale $(SHOW_DIR)

run: build $(SHOW_DIR)/.assets-version
	cd $(SHOW_DIR) && ../mardunqist

test: build
	@cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD)
