# Thin wrappers over scripts/: everything they do works on a fresh Debian 12.
.PHONY: setup build test run bench sanitize fuzz clean

setup:
	scripts/setup

build:
	scripts/build

test:
	scripts/test

run:
	scripts/run

bench:
	scripts/bench

# The unit suite under AddressSanitizer and UndefinedBehaviorSanitizer.
sanitize:
	scripts/sanitize

# Each libFuzzer target for FUZZ_SECONDS (default 60).
fuzz:
	scripts/fuzz

clean:
	rm -rf build build-asan build-fuzz
