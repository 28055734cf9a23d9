# System libraries behind the stand-ins (one line per library).
target_link_libraries(platform PUBLIC OpenSSL::Crypto)
