target_link_libraries(bench_grid_open PRIVATE bexlo SQLite::SQLite3)
