# Thin wrappers over scripts/: everything they do works on a fresh Debian 12.
.PHONY: setup build test run bench clean

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

clean:
	rm -rf build
