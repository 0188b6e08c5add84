# Thin wrappers over CMake and scripts/.
.PHONY: all demo check fuzz bench windows screenshots soak clean

all:
	scripts/install-deps.sh base
	cmake -S . -B build/release -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEL_WERROR=ON >/dev/null
	cmake --build build/release -j$$(nproc)

demo:
	scripts/demo.sh

check:
	scripts/check.sh

fuzz:
	scripts/fuzz.sh

bench:
	scripts/bench.sh

windows:
	scripts/build-windows.sh

screenshots:
	scripts/screenshots.sh

soak:
	scripts/soak.sh

clean:
	rm -rf build dist
