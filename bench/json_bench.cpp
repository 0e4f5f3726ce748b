// Prints how long the JSON document takes for what the catalogue load does: one Parse of the
// catalogue answer, then GetText of every entry's members. Run under Wine (or Windows):
//   <build>/wine-run <build>/bench/json_bench.exe [entries] [rounds]
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "util/json_document.h"
#include "util/regex_object.h"
#include "util/text.h"

namespace {

using namespace storvane;

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A catalogue answer shaped like the version service's, with `entries` tools.
std::string Catalogue(int entries) {
  std::string json = "{\"code\":200,\"msg\":\"成功\",\"data\":[";
  for (int k = 0; k < entries; ++k) {
    if (k > 0) json += ",";
    const std::string n = ToText(k);
    json += "{\"soft_ico\":\"http://127.0.0.1:18960/icons/" + n + ".png\",\"soft_name\":\"店铺助手" + n +
            "\",\"soft_version\":\"2." + n +
            "\",\"soft_introduce\":\"批量上架、改价、订单导出，一键完成日常店铺管理工作\","
            "\"soft_time\":\"2024-05-1" +
            ToText(k % 10) + " 10:20:30\",\"soft_store\":\"tool" + n + "\",\"soft_process\":\"tool" + n +
            ".exe\",\"soft_down\":\"http://127.0.0.1:18960/download/tool" + n +
            ".exe\",\"soft_edu\":\"http://127.0.0.1:18960/edu/" + n + "\"}";
  }
  return json + "]}";
}

}  // namespace

int main(int argc, char** argv) {
  const int entries = argc > 1 ? std::atoi(argv[1]) : 50;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 20;
  const std::string text = Catalogue(entries);
  const char* members[] = {"soft_ico",   "soft_name",    "soft_version", "soft_introduce", "soft_time",
                           "soft_store", "soft_process", "soft_down",    "soft_edu"};

  JsonDocument doc = CreateJsonDocument();
  if (!doc.Parse(text, false)) {
    std::printf("the script engine is not available\n");
    return 1;
  }

  double t0 = Now();
  for (int r = 0; r < rounds; ++r) doc.Parse(text, false);
  const double parse = (Now() - t0) / rounds;

  // For comparison: the same text run as a script expression, with no JSON check.
  JsonDocument raw = CreateJsonDocument();
  t0 = Now();
  for (int r = 0; r < rounds; ++r) raw.Parse(text, true);
  const double parseRaw = (Now() - t0) / rounds;

  t0 = Now();
  int reads = 0;
  size_t bytes = 0;
  for (int k = 0; k < entries; ++k) {
    for (const char* member : members) {
      bytes += doc.GetText("data[" + ToText(k) + "]." + member, false).size();
      ++reads;
    }
  }
  const double fill = Now() - t0;

  t0 = Now();
  for (int r = 0; r < rounds; ++r) (void)CreateJsonDocument();
  const double create = (Now() - t0) / rounds;

  RegexObject re = CreateRegexObject();
  const std::string page =
      std::string(900, 'x') + "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
  t0 = Now();
  for (int r = 0; r < rounds * 10; ++r)
    re.Execute("<meta.+?charset=[^\\w]?([-\\w]+)", page), (void)re.GetSubMatchText(1, 1);
  const double regex = (Now() - t0) / (rounds * 10);

  std::printf("catalogue: %d entries, %zu bytes of JSON\n", entries, text.size());
  std::printf("Parse (fresh engine + strict parse): %8.2f ms\n", parse * 1000);
  std::printf("Parse raw (script evaluation):       %8.2f ms\n", parseRaw * 1000);
  std::printf("GetText of one catalogue path:       %8.3f ms  (%d reads, %zu bytes)\n", fill * 1000 / reads, reads,
              bytes);
  std::printf("all %d reads of the list fill:       %8.2f ms\n", reads, fill * 1000);
  std::printf("CreateJsonDocument:                  %8.2f ms\n", create * 1000);
  std::printf("regex Execute + GetSubMatchText:     %8.3f ms\n", regex * 1000);
  return 0;
}
