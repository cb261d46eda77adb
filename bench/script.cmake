# bench_script embeds Lua 5.4 as its baseline.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LUA54 REQUIRED IMPORTED_TARGET lua5.4)
target_link_libraries(bench_script PRIVATE PkgConfig::LUA54)
