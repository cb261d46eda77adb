target_link_libraries(bench_db_buffered PRIVATE SQLite::SQLite3)
