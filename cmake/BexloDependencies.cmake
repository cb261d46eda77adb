# Third-party libraries, all from Debian packages installed by scripts/install-deps.
find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(fmt REQUIRED)
find_package(SQLite3 REQUIRED)
find_package(PostgreSQL REQUIRED)
pkg_check_modules(UTF8PROC REQUIRED IMPORTED_TARGET libutf8proc)
if(BEXLO_TESTS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
endif()
# The widget library: Qt 6 Widgets and Print Support (Debian qt6-base-dev).
find_package(Qt6 REQUIRED COMPONENTS Widgets PrintSupport)
if(BEXLO_TESTS)
  find_package(Qt6 REQUIRED COMPONENTS Test)
endif()
# Office documents of the built-in automation servers: .xlsx through libxlsxwriter (Debian
# libxlsxwriter-dev), .docx zipped with libzip (Debian libzip-dev).
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET libzip)
