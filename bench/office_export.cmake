# bench_office_export: the baselines write the same files straight through libxlsxwriter and libzip.
target_link_libraries(bench_office_export PRIVATE PkgConfig::XLSXWRITER PkgConfig::LIBZIP)
