# bench_preview_open: the viewer widget (libbexlo) on Qt's offscreen platform.
target_link_libraries(bench_preview_open PRIVATE bexlo)
