# The two set-up commands are `make demo` and `make test`; see README.md.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
RELEASE_DIR := build/release
TEST_DIR := build/asan
SLOW_DIR := build/release-tests
FUZZ_DIR := build/fuzz
DEMO_HOME ?= $(CURDIR)/demo-home
DEMO_SIZE ?= M
DEMO_SEED ?= 1

.PHONY: all deps release demo test bench gui screenshots fuzz clean format

all: release

deps:
	bash scripts/install-deps.sh

release:
	cmake -S . -B $(RELEASE_DIR) -DCMAKE_BUILD_TYPE=Release -DZAVLIN_TESTS=OFF
	cmake --build $(RELEASE_DIR) -j $(JOBS)

# The sample college of DEMO_SIZE (S, M, L, XL) and DEMO_SEED under DEMO_HOME,
# its active weeks composed from zero and published as web pages under
# DEMO_HOME/export.
demo: deps release
	bash scripts/demo.sh $(RELEASE_DIR)/src/cli/zavlin-cli "$(DEMO_HOME)" $(DEMO_SIZE) $(DEMO_SEED)
	$(RELEASE_DIR)/src/cli/zavlin-cli export html --web --to "$(DEMO_HOME)/export/" \
		--home "$(DEMO_HOME)" > /dev/null
	@echo "The web pages of the timetable: $(DEMO_HOME)/export/allgryp.htm (groups)" \
		"and $(DEMO_HOME)/export/allfio.htm (teachers)"

# Every test but the slow ones under the sanitizers; then the slow ones
# (whole sample colleges composed) from a Release build of what they need.
test: deps
	cmake -S . -B $(TEST_DIR) -DCMAKE_BUILD_TYPE=Debug -DZAVLIN_SANITIZE=ON -DZAVLIN_BENCH=OFF
	cmake --build $(TEST_DIR) -j $(JOBS)
	cd $(TEST_DIR) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
		ctest --output-on-failure -j $(JOBS) -LE slow
	cmake -S . -B $(SLOW_DIR) -DCMAKE_BUILD_TYPE=Release -DZAVLIN_TESTS=ON -DZAVLIN_BENCH=OFF
	cmake --build $(SLOW_DIR) -j $(JOBS) --target slow_test
	cd $(SLOW_DIR) && ctest --output-on-failure -j $(JOBS) -L slow

bench: release
	$(RELEASE_DIR)/bench/table_bench
	$(RELEASE_DIR)/bench/model_bench
	$(RELEASE_DIR)/bench/demo_bench
	$(RELEASE_DIR)/bench/compose_bench
	$(RELEASE_DIR)/bench/hgrid_bench
	$(RELEASE_DIR)/bench/main_window_bench
	$(RELEASE_DIR)/bench/entry_windows_bench
	$(RELEASE_DIR)/bench/composition_windows_bench
	$(RELEASE_DIR)/bench/report_windows_bench
	$(RELEASE_DIR)/bench/reports_bench

# The window program on the sample college, made first when DEMO_HOME has none.
gui: release
	@if [ ! -d "$(DEMO_HOME)/Database" ]; then \
		bash scripts/demo.sh $(RELEASE_DIR)/src/cli/zavlin-cli "$(DEMO_HOME)" $(DEMO_SIZE) $(DEMO_SEED); \
	fi
	$(RELEASE_DIR)/src/app/zavlin --home "$(DEMO_HOME)"

# Pictures of the windows, drawn offscreen by their tests over a sample college.
SHOTS_DIR := $(SLOW_DIR)
GUI_TESTS := main_window_test backup_window_test hgrid_test people_windows_test \
	reference_windows_test calendar_windows_test load_windows_test progress_window_test \
	compose_start_windows_test composition_input_windows_test unions_window_test \
	export_windows_test import_window_test document_export_windows_test \
	accounting_windows_test plan_windows_test timetable_report_windows_test
screenshots:
	cmake -S . -B $(SHOTS_DIR) -DCMAKE_BUILD_TYPE=Release -DZAVLIN_TESTS=ON -DZAVLIN_BENCH=OFF
	cmake --build $(SHOTS_DIR) -j $(JOBS) --target $(GUI_TESTS)
	mkdir -p docs/screenshots
	cd $(SHOTS_DIR)/tests/gui && for t in $(GUI_TESTS); do \
		QT_QPA_PLATFORM=offscreen ZAVLIN_TABLE_SYNC=off ZAVLIN_SCREENSHOTS=$(CURDIR)/docs/screenshots \
			./$$t || exit 1; \
	done

# libFuzzer needs clang; FUZZ_SECONDS bounds each target's run.
FUZZ_SECONDS ?= 180
FUZZ_TARGETS := table_open ini group_blob journal_replay xml_read
fuzz:
	CXX=clang++ cmake -S . -B $(FUZZ_DIR) -DCMAKE_BUILD_TYPE=Debug -DZAVLIN_FUZZ=ON -DZAVLIN_GUI=OFF \
		-DZAVLIN_TESTS=OFF -DZAVLIN_BENCH=OFF
	cmake --build $(FUZZ_DIR) -j $(JOBS) --target $(addsuffix _fuzz,$(FUZZ_TARGETS))
	for t in $(FUZZ_TARGETS); do \
		mkdir -p $(FUZZ_DIR)/corpus/$$t && \
		ZAVLIN_TABLE_SYNC=off $(FUZZ_DIR)/fuzz/$${t}_fuzz -max_total_time=$(FUZZ_SECONDS) \
			-timeout=10 -max_len=8192 $(FUZZ_DIR)/corpus/$$t fuzz/corpus/$$t || exit 1; \
	done

format:
	clang-format -i $$(find src tests bench fuzz -name '*.cpp' -o -name '*.h')

clean:
	rm -rf build
