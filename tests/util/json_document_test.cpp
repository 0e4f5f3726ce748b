// JsonDocument against the system's real script engine, under Wine.
#include "util/json_document.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "util/win_text.h"

namespace storvane {
namespace {

using Names = std::vector<std::string>;

JsonDocument Parsed(std::string_view json) {
  JsonDocument doc = CreateJsonDocument();
  EXPECT_TRUE(doc.Parse(json, false)) << json;
  return doc;
}

TEST(JsonDocumentBasics, NewDocumentIsAnEmptyObject) {
  JsonDocument doc = CreateJsonDocument();
  EXPECT_EQ(doc.ToJsonText(), "{}");
  EXPECT_EQ(doc.GetType(""), kJsonObject);
  EXPECT_TRUE(doc.Exists(""));
  EXPECT_TRUE(doc.GetEngine());
}

TEST(JsonDocumentBasics, ResolvePathRewritesRelativePaths) {
  JsonDocument doc = Parsed(R"({"data":[{"soft_version":"2.1"}],"list":[1,2,3]})");
  std::string path = "data[0].soft_version";
  EXPECT_TRUE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da.data[0].soft_version");

  path = "";
  EXPECT_TRUE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da");

  path = "da";
  EXPECT_TRUE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da");

  path = "da.list[1]";
  EXPECT_TRUE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da.list[1]");

  path = "[2]";
  EXPECT_FALSE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da[2]");

  path = "nothing.here";
  EXPECT_FALSE(doc.ResolvePath(path));
  EXPECT_EQ(path, "da.nothing.here");
}

TEST(JsonDocumentCatalogue, ReadsVersionsGivenAsTextOrNumber) {
  JsonDocument doc = Parsed(R"({"data":[{"soft_version":"2.1","soft_name":"店铺助手"}]})");
  EXPECT_EQ(doc.GetText("data[0].soft_version", false), "2.1");
  EXPECT_EQ(doc.GetText("data[0].soft_name", false), "店铺助手");
  EXPECT_EQ(doc.GetCount("data"), 1);

  doc.Parse(R"({"data":[{"soft_version":2.1},{"soft_version":2.5},{"soft_version":3}]})", false);
  EXPECT_EQ(doc.GetText("data[0].soft_version", false), "2.1");
  EXPECT_EQ(doc.GetText("data[1].soft_version", false), "2.5");
  EXPECT_EQ(doc.GetText("data[2].soft_version", false), "3");
  EXPECT_EQ(doc.GetCount("data"), 3);
  EXPECT_DOUBLE_EQ(doc.GetNumber("data[1].soft_version"), 2.5);
}

TEST(JsonDocumentCatalogue, MissingAndNullValuesReadEmpty) {
  JsonDocument doc = Parsed(R"({"data":[{"soft_edu":null}],"name":"x"})");
  for (const char* path : {"data[0].soft_edu", "data[0].soft_down", "data[7].soft_name", "nothing", "nothing.deeper"}) {
    EXPECT_EQ(doc.GetText(path, false), "") << path;
    EXPECT_EQ(doc.GetCount(path), 0) << path;
    EXPECT_FALSE(doc.Exists(path)) << path;
    EXPECT_EQ(doc.GetNumber(path), 0.0) << path;
    EXPECT_EQ(doc.GetItemText(0, path, false), "") << path;
  }
  // A missing member or a null value is type 0; a member of something missing cannot even
  // be looked at, which reads as a failed evaluation.
  EXPECT_EQ(doc.GetType("data[0].soft_edu"), kJsonMissing);
  EXPECT_EQ(doc.GetType("data[0].soft_down"), kJsonMissing);
  EXPECT_EQ(doc.GetType("nothing"), kJsonMissing);
  EXPECT_EQ(doc.GetType("data[7].soft_name"), kJsonFailed);
  // As JSON, null is written out; a missing value has no JSON at all.
  EXPECT_EQ(doc.GetText("data[0].soft_edu", true), "null");
  EXPECT_EQ(doc.GetText("data[0].soft_down", true), "");
  EXPECT_EQ(doc.GetJson("nothing.deeper"), "");
}

TEST(JsonDocumentCatalogue, CountIsZeroForAnythingButAnArray) {
  JsonDocument doc = Parsed(R"({"data":{"0":"a","length":5},"text":"abcdef","n":12,"empty":[]})");
  EXPECT_EQ(doc.GetCount("data"), 0);
  EXPECT_EQ(doc.GetCount("text"), 0);
  EXPECT_EQ(doc.GetCount("n"), 0);
  EXPECT_EQ(doc.GetCount("empty"), 0);
  EXPECT_EQ(doc.GetCount(""), 0);
  doc.Parse(R"({"data":"a string"})", false);
  EXPECT_EQ(doc.GetCount("data"), 0);
}

TEST(JsonDocumentCatalogue, TopLevelArraysAndNumbersParseButStringsDoNot) {
  JsonDocument doc = CreateJsonDocument();
  ASSERT_TRUE(doc.Parse("[1,2]", false));
  EXPECT_EQ(doc.GetCount(""), 2);
  EXPECT_EQ(doc.GetText("[1]", false), "2");
  EXPECT_EQ(doc.GetType(""), kJsonArray);
  EXPECT_EQ(doc.GetText("", false), "1,2");

  EXPECT_TRUE(doc.Parse(" 42 ", false));
  EXPECT_DOUBLE_EQ(doc.GetNumber(""), 42.0);
  EXPECT_EQ(doc.GetType(""), kJsonNumber);

  EXPECT_TRUE(doc.Parse("true", false));
  EXPECT_EQ(doc.GetType(""), kJsonBoolean);

  EXPECT_FALSE(doc.Parse("\"abc\"", false));
  EXPECT_EQ(doc.GetType(""), kJsonMissing);
  EXPECT_EQ(doc.ToJsonText(), "null");
  EXPECT_FALSE(doc.Parse("null", false));
  EXPECT_EQ(doc.GetCount(""), 0);
}

TEST(JsonDocumentCatalogue, KeysStartingWithTheDocumentNameAreFound) {
  JsonDocument doc = Parsed(R"({"data":[7],"dax":"x","da":"inner","date":"d"})");
  EXPECT_EQ(doc.GetText("data[0]", false), "7");
  EXPECT_EQ(doc.GetText("dax", false), "x");
  EXPECT_EQ(doc.GetText("date", false), "d");
  // "da" is the document itself; its own member of that name needs the full path.
  EXPECT_EQ(doc.GetText("da", false), "[object Object]");
  EXPECT_EQ(doc.GetText("da.da", false), "inner");
}

TEST(JsonDocumentText, BackslashesWrittenAsTextSurviveUnescaped) {
  JsonDocument doc = CreateJsonDocument();
  doc.SetValue("a", "C:\\x", false);
  EXPECT_EQ(doc.GetText("a", false), "C:\\x");
  EXPECT_EQ(doc.GetText("a", true), "\"C:\\x\"");
  EXPECT_EQ(doc.ToJsonText(), "{\"a\":\"C:\\x\"}");

  // A backslash that arrives through Parse is a real one and is written escaped.
  ASSERT_TRUE(doc.Parse(R"({"a":"C:\\x"})", false));
  EXPECT_EQ(doc.GetText("a", false), "C:\\x");
  EXPECT_EQ(doc.ToJsonText(), R"({"a":"C:\\x"})");
}

TEST(JsonDocumentText, TextValuesAreStoredExactly) {
  JsonDocument doc = CreateJsonDocument();
  const std::string tricky = "it's a \"quote\"\r\nline two \\n ' + x + ' 表\\";
  doc.SetValue("a", tricky, false);
  EXPECT_EQ(doc.GetText("a", false), tricky);
  EXPECT_EQ(doc.GetType("a"), kJsonString);
  doc.SetValue("b.c", "x", false);  // the parent is missing: nothing is created
  EXPECT_FALSE(doc.Exists("b"));
}

TEST(JsonDocumentText, ChineseTextRoundTrips) {
  JsonDocument doc = Parsed(R"({"名称":"下载软件","list":["更新软件","打开软件"]})");
  EXPECT_EQ(doc.GetText("名称", false), "下载软件");
  EXPECT_EQ(doc.GetItemText(1, "list", false), "打开软件");
  doc.SetValue("说明", "正在运行 [2020年7月20日]", false);
  EXPECT_EQ(doc.GetText("说明", false), "正在运行 [2020年7月20日]");
  EXPECT_EQ(doc.ToJsonText(),
            R"({"名称":"下载软件","list":["更新软件","打开软件"],"说明":"正在运行 [2020年7月20日]"})");
  Names names;
  EXPECT_EQ(doc.GetMemberNames(names, ""), 3);
  EXPECT_EQ(names, (Names{"名称", "list", "说明"}));
  // JSON escapes of Chinese characters read back as the characters.
  doc.Parse(R"({"s":"\u4e0b\u8f7d"})", false);
  EXPECT_EQ(doc.GetText("s", false), "下载");
}

TEST(JsonDocumentText, StringifyEscapesTheStatedCharacters) {
  JsonDocument doc = Parsed(
      R"({"s":"q\"b\\s\/ \b\f\n\r\t \u0001\u001f\u007f\u009f\u00ad\u0600\u070f\u17b4\u200c\u2028\u202f\u2060\ufeff\ufff0 \u00e9\u2400"})");
  EXPECT_EQ(
      doc.GetJson("s"),
      "\"q\\\"b\\\\s/ \\b\\f\\n\\r\\t \\u0001\\u001f\\u007f\\u009f\\u00ad\\u0600\\u070f\\u17b4\\u200c\\u2028\\u202f"
      "\\u2060\\ufeff\\ufff0 é\\\"");
  doc.SetFromExpression("n", "1/0");
  doc.SetFromExpression("m", "0/0");
  EXPECT_EQ(doc.GetJson("n"), "null");
  EXPECT_EQ(doc.GetJson("m"), "null");
}

TEST(JsonDocumentText, DatesAndWrappersStringify) {
  JsonDocument doc = CreateJsonDocument();
  doc.SetFromExpression("d", "new Date(Date.UTC(2020, 6, 20, 12, 0, 5))");
  doc.SetFromExpression("w", "[new String('s'), new Number(1.5), new Boolean(false)]");
  EXPECT_EQ(doc.GetJson("d"), "\"2020-07-20T12:00:05Z\"");
  EXPECT_EQ(doc.GetJson("w"), R"(["s",1.5,false])");
  // Members appear in insertion order, functions and inherited members are left out.
  doc.SetFromExpression("o", "{z: 1, a: [], f: function () {}, u: undefined}");
  EXPECT_EQ(doc.GetJson("o"), R"({"z":1,"a":[]})");
}

TEST(JsonDocumentEdit, RawValuesMergeIntoExistingObjects) {
  JsonDocument doc = Parsed(R"({"o":{"s":1,"t":"x","n":{"k":"v"},"l":[1],"z":null}})");
  doc.SetValue("o", R"({"s":2,"n":{"m":"w"},"l":[2,3],"z":{"y":1},"new":true})", true);
  EXPECT_EQ(doc.GetJson("o"), R"({"s":2,"t":"x","n":{"k":"v","m":"w"},"l":[1,2,3],"z":{"y":1},"new":true})");

  // Where no object is, the value replaces what is there.
  doc.SetValue("o.t", "[4,5]", true);
  doc.SetValue("p", "", true);
  EXPECT_EQ(doc.GetJson("o.t"), "[4,5]");
  EXPECT_EQ(doc.GetJson("p"), "{}");

  // Raw values are script: an unknown name fails and changes nothing.
  EXPECT_FALSE(doc.SetValue("q", "x", true));
  EXPECT_FALSE(doc.Exists("q"));
}

TEST(JsonDocumentEdit, AppendItemCreatesArraysAndKeepsTextIntact) {
  JsonDocument doc = CreateJsonDocument();
  EXPECT_TRUE(doc.AppendItem("v", "list", false, false));
  EXPECT_EQ(doc.GetJson("list"), R"(["v"])");
  doc.AppendItem("w", "list", false, true);
  EXPECT_TRUE(doc.AppendItem(R"({"k":1})", "list", true, false));
  EXPECT_EQ(doc.GetJson("list"), R"(["w","v",{"k":1}])");
  EXPECT_EQ(doc.GetCount("list"), 3);

  doc.SetValue("s", "text", false);
  doc.AppendItem("only", "s", false, false);
  EXPECT_EQ(doc.GetJson("s"), R"(["only"])");

  const std::string tricky = "it's C:\\new'); x('";
  EXPECT_TRUE(doc.AppendItem(tricky, "list", false, false));
  EXPECT_EQ(doc.GetItemText(3, "list", false), tricky);
  doc.SetItem(0, "list", tricky, false);
  EXPECT_EQ(doc.GetItemText(0, "list", false), tricky);
}

TEST(JsonDocumentEdit, ItemOperations) {
  JsonDocument doc = Parsed(R"({"a":[1,"two",{"x":3},null]})");
  EXPECT_EQ(doc.GetItemText(1, "a", false), "two");
  EXPECT_EQ(doc.GetItemText(0, "a", false), "");  // only string elements give text
  EXPECT_EQ(doc.GetItemText(0, "a", true), "1");
  EXPECT_EQ(doc.GetItemText(2, "a", true), R"({"x":3})");
  EXPECT_EQ(doc.GetItemText(9, "a", true), "");

  EXPECT_TRUE(doc.SetItem(3, "a", "[9]", true));
  EXPECT_TRUE(doc.RemoveItem(0, "a"));
  EXPECT_EQ(doc.GetJson("a"), R"(["two",{"x":3},[9]])");
  EXPECT_TRUE(doc.DeleteMember("a[1].x"));
  EXPECT_EQ(doc.GetJson("a[1]"), "{}");
  EXPECT_TRUE(doc.DeleteMember("a"));
  EXPECT_EQ(doc.ToJsonText(), "{}");
}

TEST(JsonDocumentEdit, NumbersAndReset) {
  JsonDocument doc = CreateJsonDocument();
  EXPECT_TRUE(doc.SetNumber("n", 2.5));
  EXPECT_TRUE(doc.SetNumber("big", 1234567890123.0));
  EXPECT_TRUE(doc.SetNumber("neg", -0.125));
  EXPECT_EQ(doc.GetText("n", false), "2.5");
  EXPECT_DOUBLE_EQ(doc.GetNumber("big"), 1234567890123.0);
  EXPECT_EQ(doc.ToJsonText(), R"({"n":2.5,"big":1234567890123,"neg":-0.125})");
  // A number stored as text reads as that number, other text as 0; a boolean true as -1.
  doc.SetValue("t", "7.5", false);
  doc.SetValue("u", "abc", false);
  doc.SetFromExpression("b", "true");
  EXPECT_DOUBLE_EQ(doc.GetNumber("t"), 7.5);
  EXPECT_EQ(doc.GetNumber("u"), 0.0);
  EXPECT_EQ(doc.GetNumber("b"), -1.0);

  EXPECT_TRUE(doc.Reset());
  EXPECT_EQ(doc.ToJsonText(), "{}");
}

TEST(JsonDocumentEdit, StatementResultsReadThroughTheValueTable) {
  JsonDocument doc = CreateJsonDocument();
  // The result of an assignment is the assigned value, read as a boolean.
  EXPECT_TRUE(doc.SetValue("a", "1", false));
  EXPECT_TRUE(doc.SetValue("a", "TRUE", false));
  EXPECT_FALSE(doc.SetValue("a", "0", false));
  EXPECT_FALSE(doc.SetValue("a", "hello", false));
  EXPECT_EQ(doc.GetText("a", false), "hello");
  EXPECT_FALSE(doc.SetFromExpression("a", "nosuchname"));
  EXPECT_EQ(doc.GetText("a", false), "hello");
}

TEST(JsonDocumentRead, TypesAndMemberNames) {
  JsonDocument doc = Parsed(R"({"s":"x","n":1.5,"b":false,"o":{"y":1,"x":2},"a":[],"z":null})");
  EXPECT_EQ(doc.GetType("s"), kJsonString);
  EXPECT_EQ(doc.GetType("n"), kJsonNumber);
  EXPECT_EQ(doc.GetType("b"), kJsonBoolean);
  EXPECT_EQ(doc.GetType("o"), kJsonObject);
  EXPECT_EQ(doc.GetType("a"), kJsonArray);
  EXPECT_EQ(doc.GetType("z"), kJsonMissing);
  EXPECT_EQ(doc.GetType("(function(){return 1})"), kJsonFailed);
  EXPECT_EQ(doc.GetText("b", false), "false");

  Names names{"stale"};
  EXPECT_EQ(doc.GetMemberNames(names, "o"), 2);
  EXPECT_EQ(names, (Names{"y", "x"}));
  EXPECT_EQ(doc.GetMemberNames(names, ""), 6);
  EXPECT_EQ(names, (Names{"s", "n", "b", "o", "a", "z"}));
  EXPECT_EQ(doc.GetMemberNames(names, "a"), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(doc.GetMemberNames(names, "missing"), 0);
}

TEST(JsonDocumentRead, LeafValuesWithAndWithoutRecursion) {
  JsonDocument doc = Parsed(R"({"a":1,"b":{"c":"x","d":[true,{"e":"deep"}]},"f":null})");
  Names values{"stale"};
  EXPECT_EQ(doc.GetLeafValues(values, "", false), 1);
  EXPECT_EQ(values, (Names{"1"}));
  EXPECT_EQ(doc.GetLeafValues(values, "", true), 4);
  EXPECT_EQ(values, (Names{"1", "x", "true", "deep"}));
  EXPECT_EQ(doc.GetLeafValues(values, "b.d", false), 1);
  EXPECT_EQ(values, (Names{"true"}));

  doc.Reset();
  EXPECT_EQ(doc.GetLeafValues(values, "", true), 0);
  EXPECT_TRUE(values.empty());
  EXPECT_EQ(doc.GetLeafValues(values, "missing", true), 0);
}

TEST(JsonDocumentShare, CopySharesTheDocumentUntilOneParses) {
  ComInit com;  // the engine is still used below after every record is gone
  JsonDocument doc = Parsed(R"({"v":1})");
  JsonDocument copy = doc.Copy();
  copy.SetValue("w", "from copy", false);
  EXPECT_EQ(doc.GetText("w", false), "from copy");
  doc.SetNumber("v", 2);
  EXPECT_EQ(copy.GetText("v", false), "2");

  ASSERT_TRUE(copy.Parse(R"({"other":true})", false));
  EXPECT_EQ(copy.ToJsonText(), R"({"other":true})");
  EXPECT_EQ(doc.ToJsonText(), R"({"v":2,"w":"from copy"})");

  // The engine outlives the record that made it as long as a copy or holder has it.
  ComPtr<IDispatch> engine = doc.GetEngine();
  JsonDocument second = doc.Copy();
  doc.Destroy();
  EXPECT_EQ(second.GetText("w", false), "from copy");
  EXPECT_EQ(doc.GetText("w", false), "");
  second.Destroy();
  EXPECT_EQ(CallMethod(engine.get(), "Eval", L"da.v").ToInt(), 2);
}

TEST(JsonDocumentShare, GetObjectCopiesTheValueIntoANewEngine) {
  JsonDocument doc = Parsed(R"({"data":[{"soft_name":"甲","n":1},{"soft_name":"乙","n":[2]}]})");
  doc.SetValue("data[0].path", "C:\\tools\\new", false);

  JsonDocument first = doc.GetObject("data[0]");
  EXPECT_EQ(first.GetText("soft_name", false), "甲");
  EXPECT_EQ(first.GetText("path", false), "C:\\tools\\new");
  EXPECT_EQ(first.ToJsonText(), R"({"soft_name":"甲","n":1,"path":"C:\tools\new"})");
  first.SetValue("soft_name", "丙", false);
  EXPECT_EQ(doc.GetText("data[0].soft_name", false), "甲");

  JsonDocument second = doc.GetItemObject(1, "data");
  EXPECT_EQ(second.GetJson("n"), "[2]");
  EXPECT_EQ(doc.GetItemObject(5, "data").GetType(""), kJsonMissing);
  EXPECT_EQ(doc.GetObject("data[1].soft_name").GetType(""), kJsonMissing);
}

TEST(JsonDocumentParse, RawParseRunsScript) {
  JsonDocument doc = CreateJsonDocument();
  EXPECT_TRUE(doc.Parse("{a: 1, b: [1, 2].length}", true));
  EXPECT_EQ(doc.GetText("b", false), "2");
  EXPECT_FALSE(doc.Parse("{a: ", true));
  EXPECT_EQ(doc.GetType(""), kJsonMissing);
}

TEST(JsonDocumentParse, AcceptsStrictJson) {
  JsonDocument doc = CreateJsonDocument();
  const char* valid[] = {
      " \t\r\n{ \"a\" : [ ] , \"b\" : { } } \n",
      "[-0, 0.5, 1e5, 1E-2, 2.5e+3, -12]",
      R"({"":"empty key","a":{"a":{"a":"nested"}}})",
      R"(["\"\\\/\b\f\n\r\t\u0041\u00e9"])",
      R"({"dup":1,"dup":2})",
      "[true,false,null]",
      "123",
  };
  for (const char* json : valid) EXPECT_TRUE(doc.Parse(json, false)) << json;
  doc.Parse("[-0, 0.5, 1e5, 1E-2, 2.5e+3, -12]", false);
  EXPECT_EQ(doc.ToJsonText(), "[0,0.5,100000,0.01,2500,-12]");
  doc.Parse(R"({"dup":1,"dup":2})", false);
  EXPECT_EQ(doc.ToJsonText(), R"({"dup":2})");
}

TEST(JsonDocumentParse, RefusesEverythingThatIsNotJson) {
  JsonDocument doc = CreateJsonDocument();
  const char* invalid[] = {
      "",
      "   ",
      "{",
      "[1,]",
      "{\"a\":1,}",
      "{'a':1}",
      "{a:1}",
      "[01]",
      "[.5]",
      "[+1]",
      "[0x10]",
      "[1.]",
      "[NaN]",
      "[Infinity]",
      "[undefined]",
      "[1] [2]",
      "{\"a\":1} x",
      "[1] // c",
      "/*c*/[1]",
      "[\"a\tb\"]",
      "[\"\\x41\"]",
      "[\"\\u12\"]",
      "[\"unterminated]",
      "{\"a\" 1}",
      "[1 2]",
      "[tru]",
      "[True]",
      "{\"a\":1}}",
      "[]]",
      "1;",
      "-",
      "[\"\\'\"]",
      "{\"a\":}",
      "{,}",
      "[,1]",
      "new Array(1)",
  };
  for (const char* json : invalid) {
    EXPECT_FALSE(doc.Parse(json, false)) << json;
    EXPECT_EQ(doc.GetType(""), kJsonMissing) << json;
    EXPECT_EQ(doc.ToJsonText(), "null") << json;
  }
  // Text behind a zero byte is not part of the text.
  EXPECT_TRUE(doc.Parse(std::string_view("[1]\0garbage", 11), false));
}

TEST(JsonDocumentParse, DeepNestingIsRefusedWithoutHarm) {
  JsonDocument doc = CreateJsonDocument();
  std::string deep = std::string(100000, '[') + std::string(100000, ']');
  EXPECT_FALSE(doc.Parse(deep, false));
  std::string tooDeep = std::string(513, '[') + "1" + std::string(513, ']');
  EXPECT_FALSE(doc.Parse(tooDeep, false));
  // The deepest document accepted still works with every operation that walks it.
  std::string deepest = std::string(512, '[') + "1" + std::string(512, ']');
  ASSERT_TRUE(doc.Parse(deepest, false));
  EXPECT_EQ(doc.ToJsonText(), deepest);
  Names values;
  EXPECT_EQ(doc.GetLeafValues(values, "", true), 1);
  JsonDocument copy = doc.GetObject("");
  EXPECT_EQ(copy.ToJsonText(), deepest);
  doc.AppendItem("2", "", true, false);
  EXPECT_EQ(doc.GetCount(""), 2);
  // Structures the parser cannot produce: cycles and runaway depth fail instead of hanging.
  doc.SetFromExpression("", "(function () { var o = {}; o.self = o; return o; })()");
  EXPECT_EQ(doc.GetType("self.self.self"), kJsonObject);
  EXPECT_EQ(doc.ToJsonText(), "");
}

// An exponent beyond the engine's integer range once kept its parseFloat busy for hours.
// Limits are judged by the whole magnitude: the mantissa's digits can bring a long exponent
// back into range.
TEST(JsonDocumentParse, NumbersFarBeyondADoubleTakeTheirLimitAtOnce) {
  const std::string zeros(500, '0');
  const struct {
    std::string json;
    double value;
  } cases[] = {
      {"[0.4e0066999999999999]", HUGE_VAL},
      {"[-0.4E+0066999999999999]", -HUGE_VAL},
      {"[-1e-99999999999]", 0.0},
      {"[0e99999999999]", 0.0},
      {"[2.5e+3]", 2500.0},
      {"[1e308]", 1e308},
      {"[0." + zeros + "1e520]", 1e19},
      {"[1" + zeros + "e-480]", 1e20},
  };
  JsonDocument doc = CreateJsonDocument();
  for (const auto& c : cases) {
    ASSERT_TRUE(doc.Parse(c.json, false)) << c.json.substr(0, 30);
    EXPECT_EQ(doc.GetNumber("[0]"), c.value) << c.json.substr(0, 30);
  }
  doc.Parse("[-1e-99999999999]", false);
  EXPECT_EQ(doc.GetText("da && (1 / da[0])", false), "-Infinity");  // a zero of its sign
}

class JsonDocumentHostile : public ::testing::Test {
protected:
  void SetUp() override {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    marker_ = std::wstring(dir) + L"storvane_json_marker_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    DeleteFileW(marker_.c_str());
  }
  void TearDown() override { DeleteFileW(marker_.c_str()); }

  bool MarkerExists() const { return GetFileAttributesW(marker_.c_str()) != INVALID_FILE_ATTRIBUTES; }

  // A script expression that writes the marker file, as GBK text with the path's
  // backslashes doubled for a script string.
  std::string WriteMarker() const {
    std::string path = ReplaceText(WideToGbk(marker_), "\\", "\\\\");
    return "new ActiveXObject('Scripting.FileSystemObject').CreateTextFile('" + path + "', true).Close()";
  }

  std::wstring marker_;
};

TEST_F(JsonDocumentHostile, ScriptInsideJsonLookingTextNeverRuns) {
  const std::string payloads[] = {
      "(function(){ " + WriteMarker() + "; return {\"a\":1}; })()",
      "{\"a\":1}; " + WriteMarker() + ";",
      "{\"a\": " + WriteMarker() + "}",
      "[1, " + WriteMarker() + "]",
      "{\"a\":\"x\"}); " + WriteMarker() + "; (\"",
      "\"); " + WriteMarker() + "; (\"",
      "{\"a\":\"\\\"); " + WriteMarker() + "; (\\\"\"}",
      "'); " + WriteMarker() + "; ('",
      "\"" + WriteMarker() + "\"",
  };

  // The payloads are live: run as script, the first one does write the marker.
  JsonDocument control = CreateJsonDocument();
  control.Parse(payloads[0], true);
  ASSERT_TRUE(MarkerExists()) << "the script engine could not write the marker file";
  DeleteFileW(marker_.c_str());
  ASSERT_FALSE(MarkerExists());

  JsonDocument doc = CreateJsonDocument();
  for (const std::string& payload : payloads) {
    bool parsed = doc.Parse(payload, false);
    // Only the one payload that is a JSON object holding a plain string is accepted, as
    // data: its text is kept, not run.
    if (parsed) {
      EXPECT_EQ(doc.GetType(""), kJsonObject) << payload;
      EXPECT_EQ(doc.GetType("a"), kJsonString) << payload;
    } else {
      EXPECT_EQ(doc.GetType(""), kJsonMissing) << payload;
    }
    EXPECT_FALSE(MarkerExists()) << payload;
  }
}

TEST(JsonDocumentEngine, WithoutEngineEverythingIsEmpty) {
  JsonDocument doc;
  EXPECT_FALSE(doc.Parse("[1]", false));
  EXPECT_EQ(doc.ToJsonText(), "");
  EXPECT_EQ(doc.GetText("", true), "");
  EXPECT_EQ(doc.GetCount(""), 0);
  EXPECT_FALSE(doc.Exists(""));
  EXPECT_FALSE(doc.SetValue("a", "b", false));
  EXPECT_FALSE(doc.GetEngine());
  Names names{"stale"};
  EXPECT_EQ(doc.GetMemberNames(names, ""), 0);
  EXPECT_TRUE(names.empty());
  EXPECT_EQ(doc.GetObject("").GetType(""), kJsonMissing);
  EXPECT_EQ(doc.Copy().GetText("", false), "");
}

TEST(JsonDocumentEngine, ComUseIsBalancedOnTheCreatingThread) {
  HRESULT whileAlive = E_FAIL;
  HRESULT afterDestroy = E_FAIL;
  std::string text;
  std::thread worker([&] {
    {
      JsonDocument doc = CreateJsonDocument();
      doc.Parse(R"({"data":[{"soft_name":"x"}]})", false);
      doc.Parse(R"({"data":[{"soft_name":"y"}]})", false);
      JsonDocument copy = doc.Copy();
      JsonDocument part = doc.GetObject("data[0]");
      text = part.GetText("soft_name", false);
      JsonDocument moved = std::move(doc);
      whileAlive = CoInitialize(nullptr);
      if (SUCCEEDED(whileAlive)) CoUninitialize();
    }
    afterDestroy = CoInitialize(nullptr);
    if (SUCCEEDED(afterDestroy)) CoUninitialize();
  });
  worker.join();
  EXPECT_EQ(text, "y");
  EXPECT_EQ(whileAlive, S_FALSE);
  EXPECT_EQ(afterDestroy, S_OK);
}

TEST(JsonValueReading, FollowsTheTable) {
  using namespace json_value;
  EXPECT_TRUE(ReadBool(Variant::FromBool(true)));
  EXPECT_FALSE(ReadBool(Variant::FromBool(false)));
  EXPECT_TRUE(ReadBool(Variant::FromInt(-3)));
  EXPECT_FALSE(ReadBool(Variant::FromDouble(0.0)));
  EXPECT_TRUE(ReadBool(Variant::FromText("True")));
  EXPECT_FALSE(ReadBool(Variant::FromText("false")));
  EXPECT_TRUE(ReadBool(Variant::FromText(" 2.5 ")));
  EXPECT_FALSE(ReadBool(Variant::FromText("0")));
  EXPECT_FALSE(ReadBool(Variant::FromText("yes")));
  EXPECT_FALSE(ReadBool(Variant()));
  EXPECT_FALSE(ReadBool(Variant::Null()));

  EXPECT_EQ(ReadNumber(Variant::FromBool(true)), -1.0);
  EXPECT_EQ(ReadNumber(Variant::FromBool(false)), 0.0);
  EXPECT_EQ(ReadNumber(Variant::FromDouble(2.5)), 2.5);
  EXPECT_EQ(ReadNumber(Variant::FromText("12.5")), 12.5);
  EXPECT_EQ(ReadNumber(Variant::FromText("0x10")), 0.0);
  EXPECT_EQ(ReadNumber(Variant::FromText("12abc")), 0.0);
  EXPECT_EQ(ReadNumber(Variant()), 0.0);
  EXPECT_EQ(ReadNumber(Variant::Null()), 0.0);

  EXPECT_EQ(ReadText(Variant::FromText("文本")), "文本");
  EXPECT_EQ(ReadText(Variant()), "");
  EXPECT_EQ(ReadText(Variant::Null()), "");
}

TEST(QuoteForScript, NoTextCanLeaveTheLiteral) {
  JsonDocument doc = CreateJsonDocument();
  ComPtr<IDispatch> engine = doc.GetEngine();
  ASSERT_TRUE(engine);
  const std::wstring texts[] = {
      L"plain",
      L"\"); new ActiveXObject('x'); (\"",
      L"back\\slash\\\" \\u0041",
      L"line\nbreak\r\u2028\u2029 end",
      std::wstring(L"zero\0byte", 9),
      L"中文\u2400\U0001F600",
  };
  for (const std::wstring& text : texts) {
    std::wstring quoted = QuoteForScript(text);
    for (wchar_t c : quoted.substr(1, quoted.size() - 2)) {
      EXPECT_TRUE(c >= 0x20 && c < 0x7F && c != L'"') << WideToUtf8(text);
    }
    EXPECT_EQ(CallMethod(engine.get(), "Eval", quoted).ToWide(), text) << WideToUtf8(text);
  }
}

}  // namespace
}  // namespace storvane
