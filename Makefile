# The two commands the README promises: `make run` and `make test`.
# Both install whatever is missing, configure and build first.
BUILD ?= build
CMAKE_FLAGS ?=
# The generator of a new build folder (deps installs ninja first); a folder made before keeps the
# one it was made with, whatever is installed since. Asked when a recipe runs, after deps.
GENERATOR = $$([ -f "$(1)/CMakeCache.txt" ] && sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' "$(1)/CMakeCache.txt" || \
	{ command -v ninja >/dev/null 2>&1 && echo Ninja || echo "Unix Makefiles"; })
SOURCES = $(shell git ls-files 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'fuzz/*.cpp' 2>/dev/null)

FUZZ_SECONDS ?= 60

.PHONY: all deps build run test sanitize fuzz mutants package format check-format clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -G "$(call GENERATOR,$(BUILD))" -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$$(nproc)

run: build
	@./scripts/run.sh $(BUILD)

test: build
	@cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$$(nproc) --timeout 600

# The tests once more, built with the address and undefined-behaviour sanitizers; LABELS picks
# the groups (core, cli, gui; all by default).
LABELS ?= core|cli|gui
sanitize: deps
	@cmake -S . -B build-sanitize -G "$(call GENERATOR,build-sanitize)" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLEXITALLY_SANITIZE=ON \
		$(CMAKE_FLAGS) >/dev/null
	@cmake --build build-sanitize -j$$(nproc) --target lexitally-cli lexitally-test-pdf lexitally_assets \
		$(addprefix tests_,$(subst |, ,$(LABELS)))
	@cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j$$(nproc) --timeout 600 \
		-L '$(LABELS)'

# The mutation run: every change of tests/mutants.tsv is made in a copy of the tree
# (build-mutants/tree, one incremental build in build-mutants/tree/build) and must make a test fail.
# MUTANTS_ARGS passes options, e.g. MUTANTS_ARGS="--only ConversionCache".
MUTANTS_ARGS ?=
mutants: deps
	@./scripts/mutants.py $(MUTANTS_ARGS)

# The Debian package: $(BUILD)/lexitally_<version>_<arch>.deb.
package: build
	@cd $(BUILD) && cpack >/dev/null && ls lexitally_*.deb

# The fuzzers (clang, libFuzzer), FUZZ_SECONDS in all, shared between them: the counting pass
# from fuzz/corpus, the word rule of all languages (with a time limit per input) from the same
# seeds, the reader of merge parts from fuzz/corpus-merge.
fuzz: deps
	@CC=clang CXX=clang++ cmake -S . -B build-fuzz -G "$(call GENERATOR,build-fuzz)" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
		-DLEXITALLY_FUZZ=ON $(CMAKE_FLAGS) >/dev/null
	@cmake --build build-fuzz -j$$(nproc) --target fuzz_counting fuzz_words fuzz_merge
	@mkdir -p build-fuzz/corpus build-fuzz/corpus-words build-fuzz/corpus-merge
	@build-fuzz/fuzz/fuzz_counting -max_total_time=$$(( ($(FUZZ_SECONDS) + 2) / 3 )) -print_final_stats=1 \
		build-fuzz/corpus fuzz/corpus
	@build-fuzz/fuzz/fuzz_words -timeout=2 -max_total_time=$$(( ($(FUZZ_SECONDS) + 2) / 3 )) -print_final_stats=1 \
		build-fuzz/corpus-words fuzz/corpus
	@build-fuzz/fuzz/fuzz_merge -max_total_time=$$(( ($(FUZZ_SECONDS) + 2) / 3 )) -print_final_stats=1 \
		build-fuzz/corpus-merge fuzz/corpus-merge

format:
	@clang-format -i $(SOURCES)

check-format:
	@clang-format --dry-run --Werror $(SOURCES)

clean:
	rm -rf $(BUILD) build-sanitize build-fuzz
