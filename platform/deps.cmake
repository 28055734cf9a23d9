# System libraries behind the stand-ins (one line per library).
target_link_libraries(platform PUBLIC OpenSSL::Crypto)
pkg_check_modules(SPC_ICU REQUIRED IMPORTED_TARGET icu-uc icu-i18n)
target_link_libraries(platform PRIVATE PkgConfig::SPC_ICU)
pkg_check_modules(SPC_CAIRO REQUIRED IMPORTED_TARGET cairo cairo-ft fontconfig)
target_link_libraries(platform PRIVATE PkgConfig::SPC_CAIRO)
find_package(Threads REQUIRED)
target_link_libraries(platform PRIVATE Threads::Threads)
