# bench_report_run: the baseline reads the rows with sqlite3 directly.
target_link_libraries(bench_report_run PRIVATE SQLite::SQLite3)
