# The memory floor beside the launcher: a bare window drawn with GDI+ (bench/all.sh).
add_executable(gdiplus_window WIN32 gdiplus_window.cpp)
target_link_libraries(gdiplus_window PRIVATE gdiplus)
target_link_options(gdiplus_window PRIVATE ${STORVANE_STATIC_LINK} -s)
