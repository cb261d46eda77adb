target_link_libraries(bench_grid_scroll PRIVATE bexlo SQLite::SQLite3)
