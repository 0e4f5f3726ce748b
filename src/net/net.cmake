# HTTP clients: header and cookie routines, body decoding, the WinHTTP engine and the engine
# over the WinHTTP request object.
add_library(storvane_net STATIC
  headers.cpp
  cookies.cpp
  charset_decoder.cpp
  decode.cpp
  message_pump.cpp)
target_include_directories(storvane_net PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_link_libraries(storvane_net PUBLIC storvane_text storvane_win storvane_regex winhttp ole32 oleaut32 uuid user32)
target_sources(storvane_net PRIVATE http_fetch.cpp system_proxy.cpp)
target_sources(storvane_net PRIVATE base64.cpp request_object.cpp)
