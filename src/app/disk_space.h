// The free-space line of the main window: how much room the install drive has left, and
// whether that is enough for the tools.
#pragma once

#include <string>

namespace storvane {

// Free space of the drive in kilobytes (bytes shifted right by 10), or -1 when it cannot be
// read. `driveLetter` is the letter alone, either case.
long long QueryFreeKilobytes(char driveLetter);

struct FreeSpaceLine {
  std::string gigabytesText;  // free gigabytes, unrounded, as the shortest decimal text
  std::string caption;        // the disk-space label's caption
};

// The line for `freeKilobytes` free on `driveLetter`: "C盘剩余空间：12.3G，足够软件的运行！" when
// more than 5 GB are free, with the advice "G，建议进行扩容！" otherwise. The amount is shown
// with one decimal, rounded half away from zero.
FreeSpaceLine MakeFreeSpaceLine(long long freeKilobytes, char driveLetter);

}  // namespace storvane
