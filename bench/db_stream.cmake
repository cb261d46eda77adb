target_link_libraries(bench_db_stream PRIVATE SQLite::SQLite3)
