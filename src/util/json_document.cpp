#include "util/json_document.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "util/json_script.h"
#include "util/text.h"
#include "util/win_text.h"

namespace storvane {
namespace {

constexpr std::string_view kDocumentName = "da";
// Reads a value as JSON, with placeholders turned back into backslashes.
constexpr std::string_view kStringifyOpen = "JSON.stringify(";
constexpr std::string_view kStringifyClose = ").replace(str_reg, '\\\\')";
// Separates leaf values in the one text they come back in.
constexpr std::string_view kLeafSeparator = "[2020年7月20日20时0分0秒]";

// A text that reads as a number ("12", " -1.5e3 "), else nothing. Only decimal notation:
// the engine's strings are read the way a number would be written in them.
std::optional<double> NumberFromText(std::string_view text) {
  size_t first = text.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return std::nullopt;
  size_t last = text.find_last_not_of(" \t\r\n");
  std::string digits(text.substr(first, last - first + 1));
  for (char c : digits) {
    bool allowed = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
    if (!allowed) return std::nullopt;
  }
  char* end = nullptr;
  double value = std::strtod(digits.c_str(), &end);
  if (end != digits.c_str() + digits.size()) return std::nullopt;
  return value;
}

bool IsNoValue(const Variant& value) { return value.type() == VT_EMPTY || value.type() == VT_NULL; }

bool IsObject(const Variant& value) { return value.type() == VT_DISPATCH || value.type() == VT_UNKNOWN; }

}  // namespace

namespace json_value {

bool ReadBool(const Variant& value) {
  if (IsNoValue(value)) return false;
  if (value.type() == VT_BOOL) return value.raw().boolVal != VARIANT_FALSE;
  // An object or array is what an assignment of one evaluates to: the statement ran.
  if (IsObject(value)) return true;
  if (value.type() == VT_BSTR) {
    std::string text = TrimText(value.ToText());
    if (CompareTextCase(text, "true", false) == 0) return true;
    if (CompareTextCase(text, "false", false) == 0) return false;
    std::optional<double> number = NumberFromText(text);
    return number && *number != 0.0;
  }
  return value.ToDouble() != 0.0;
}

double ReadNumber(const Variant& value) {
  if (IsNoValue(value) || IsObject(value)) return 0.0;
  if (value.type() == VT_BOOL) return value.raw().boolVal != VARIANT_FALSE ? -1.0 : 0.0;
  if (value.type() == VT_BSTR) return NumberFromText(value.ToText()).value_or(0.0);
  return value.ToDouble();
}

std::string ReadText(const Variant& value) {
  if (IsNoValue(value)) return {};
  return value.ToText();
}

}  // namespace json_value

using json_value::ReadBool;
using json_value::ReadNumber;
using json_value::ReadText;

std::wstring QuoteForScript(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size() + 2);
  out.push_back(L'"');
  for (wchar_t c : text) {
    if (c >= 0x20 && c < 0x7F && c != L'"' && c != L'\\') {
      out.push_back(c);
    } else {
      wchar_t escaped[8];
      std::swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
      out.append(escaped);
    }
  }
  out.push_back(L'"');
  return out;
}

JsonDocument::JsonDocument() : name_(kDocumentName) {}

JsonDocument::JsonDocument(JsonDocument&& other) noexcept
    : name_(std::move(other.name_)), com_(std::exchange(other.com_, std::nullopt)), engine_(std::move(other.engine_)) {}

JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept {
  if (this != &other) {
    // The engine reference goes before our share of COM use does.
    Destroy();
    name_ = std::move(other.name_);
    com_ = std::exchange(other.com_, std::nullopt);
    engine_ = std::move(other.engine_);
  }
  return *this;
}

void JsonDocument::Destroy() noexcept {
  engine_.reset();
  com_.reset();
  name_.clear();
  name_.shrink_to_fit();
}

JsonDocument JsonDocument::Copy() const {
  JsonDocument copy;
  copy.name_ = name_;
  copy.com_.emplace();
  copy.engine_ = engine_.Clone();
  return copy;
}

void JsonDocument::Init() {
  if (!com_) com_.emplace();
  engine_ = CreateObject("MSScriptControl.ScriptControl");
  if (!engine_) return;
  PutProperty(engine_.get(), "Language", L"JavaScript");
  CallMethod(engine_.get(), "AddCode", JsonSetupScript());
  Evaluate("var " + name_ + " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, 'g')");
}

bool JsonDocument::Parse(std::string_view text, bool raw) {
  if (!engine_) return false;
  // Every parse starts in an engine of its own; copies keep the previous one.
  engine_.reset();
  Init();
  if (!engine_) return false;
  // Text is zero-terminated: nothing behind a zero byte belongs to it.
  text = text.substr(0, text.find('\0'));
  if (raw) {
    Evaluate("var " + name_ + " = null");
    RunCode(GbkToWide("var " + name_ + " = " + std::string(text)));
    return ReadBool(Evaluate(name_ + " != null"));
  }
  return ParseJsonWide(GbkToWide(text));
}

bool JsonDocument::ParseJsonWide(std::wstring_view json) {
  const std::wstring name = GbkToWide(name_);
  Evaluate("var " + name_ + " = null");
  // The text reaches the engine only as the value of a string literal that it cannot end,
  // and the parser builds the document from it without evaluating any of it. A top-level
  // string is refused as well: a document is a value that can be navigated.
  RunCode(L"var " + name + L" = JSON.parse(" + QuoteForScript(json) + L"); if (typeof " + name + L" == 'string') " +
          name + L" = null;");
  return ReadBool(Evaluate(name_ + " != null"));
}

bool JsonDocument::Reset() { return ReadBool(Evaluate(name_ + " = {}")); }

std::string JsonDocument::ToJsonText() {
  return ReadText(Evaluate(ConcatTexts(kStringifyOpen, name_, kStringifyClose)));
}

bool JsonDocument::SetValue(std::string_view path, std::string_view value, bool raw) {
  std::string p(path);
  const bool existed = ResolvePath(p);
  std::string statement;
  if (raw) {
    std::string v = value.empty() ? std::string("{}") : std::string(value);
    std::string kind = ReadText(Evaluate("Object.prototype.toString.call(" + p + ")"));
    if (existed && kind == "[object Object]")
      statement = p + " = get__extend(" + p + ", " + v + ")";
    else
      statement = p + " = eval(" + v + ")";
  } else {
    statement = p + " = " + TextValue(value, false);
  }
  return ReadBool(Evaluate(statement));
}

bool JsonDocument::SetFromExpression(std::string_view path, std::string_view expression) {
  return ReadBool(Evaluate(Resolved(path) + " = eval(" + std::string(expression) + ")"));
}

bool JsonDocument::ResolvePath(std::string& path) {
  if (StartsWith(path, name_) && ReadBool(Evaluate(path + " != null"))) return true;
  if (path.empty())
    path = name_;
  else if (path[0] == '[')
    path = name_ + path;
  else
    path = name_ + "." + path;
  return ReadBool(Evaluate(path + " != null"));
}

bool JsonDocument::Exists(std::string_view path) {
  std::string p(path);
  return ResolvePath(p);
}

int JsonDocument::GetType(std::string_view path) {
  const std::string p = Resolved(path);
  if (ReadBool(Evaluate(p + " == null"))) return kJsonMissing;
  const std::string kind = ReadText(Evaluate("Object.prototype.toString.call(" + p + ")"));
  if (kind == "[object String]") return kJsonString;
  if (kind == "[object Array]") return kJsonArray;
  if (kind == "[object Object]") return kJsonObject;
  if (kind == "[object Number]") return kJsonNumber;
  if (kind == "[object Boolean]") return kJsonBoolean;
  return kJsonFailed;
}

std::string JsonDocument::GetText(std::string_view path, bool asJson) {
  const std::string p = Resolved(path);
  if (asJson) return ReadText(Evaluate(ConcatTexts(kStringifyOpen, p, kStringifyClose)));
  return ReadText(Evaluate(p + ".toString().replace(str_reg, '\\\\')"));
}

int JsonDocument::GetMemberNames(std::vector<std::string>& names, std::string_view path) {
  const std::string joined = ReadText(Evaluate("get__name_All(" + Resolved(path) + ")"));
  names = SplitText(joined, "\r\n");
  return static_cast<int>(names.size());
}

int JsonDocument::GetCount(std::string_view path) {
  return static_cast<int>(ReadNumber(Evaluate("get__count(" + Resolved(path) + ")")));
}

JsonDocument JsonDocument::GetObject(std::string_view path) { return DocumentFromExpression(Resolved(path)); }

bool JsonDocument::AppendItem(std::string_view value, std::string_view path, bool raw, bool atFront) {
  const std::string p = Resolved(path);
  const std::string statement = "if (Object.prototype.toString.call(" + p + ") != '[object Array]') { " + p +
                                " = new Array() } " + p + (atFront ? ".unshift(" : ".push(") + TextValue(value, raw) +
                                ")";
  return ReadBool(Evaluate(statement));
}

JsonDocument JsonDocument::GetItemObject(int index, std::string_view path) {
  return DocumentFromExpression(Resolved(path) + "[" + std::to_string(index) + "]");
}

std::string JsonDocument::GetItemText(int index, std::string_view path, bool asJson) {
  const std::string item = Resolved(path) + "[" + std::to_string(index) + "]";
  if (asJson) return ReadText(Evaluate(ConcatTexts(kStringifyOpen, item, kStringifyClose)));
  return ReadText(Evaluate(item + ".replace(str_reg, '\\\\')"));
}

bool JsonDocument::SetItem(int index, std::string_view path, std::string_view value, bool raw) {
  return ReadBool(Evaluate(Resolved(path) + "[" + std::to_string(index) + "] = " + TextValue(value, raw)));
}

bool JsonDocument::RemoveItem(int index, std::string_view path) {
  return ReadBool(Evaluate(Resolved(path) + ".splice(" + std::to_string(index) + ", 1)"));
}

bool JsonDocument::DeleteMember(std::string_view path) { return ReadBool(Evaluate("delete " + Resolved(path))); }

bool JsonDocument::SetNumber(std::string_view path, double number) {
  return ReadBool(Evaluate(Resolved(path) + " = " + ToText(number)));
}

double JsonDocument::GetNumber(std::string_view path) { return ReadNumber(Evaluate(Resolved(path))); }

std::string JsonDocument::GetJson(std::string_view path) {
  return ReadText(Evaluate(ConcatTexts(kStringifyOpen, Resolved(path), kStringifyClose)));
}

ComPtr<IDispatch> JsonDocument::GetEngine() const { return engine_.Clone(); }

int JsonDocument::GetLeafValues(std::vector<std::string>& values, std::string_view path, bool recursive) {
  const std::string p = Resolved(path);
  Evaluate("var str_all = new Array()");
  Evaluate("get__nodeValue(" + p + ", " + (recursive ? "true" : "false") + ")");
  const std::string joined = ReadText(Evaluate(ConcatTexts("str_all.join('", kLeafSeparator, "')")));
  values = SplitText(joined, kLeafSeparator);
  return static_cast<int>(values.size());
}

Variant JsonDocument::Evaluate(std::string_view code) const { return EvaluateWide(GbkToWide(code)); }

Variant JsonDocument::EvaluateWide(std::wstring_view code) const {
  if (!engine_) return {};
  return CallMethod(engine_.get(), "Eval", code);
}

bool JsonDocument::RunCode(std::wstring_view code) const {
  if (!engine_) return false;
  std::array<Variant, 1> args{Variant::FromWide(code)};
  return SUCCEEDED(InvokeByName(engine_.get(), "AddCode", DISPATCH_METHOD, args, nullptr));
}

std::string JsonDocument::Resolved(std::string_view path) {
  std::string p(path);
  ResolvePath(p);
  return p;
}

std::string JsonDocument::TextValue(std::string_view value, bool raw) const {
  if (raw) return std::string(value);
  // A script string literal holding exactly the text (ReplaceText never matches inside a
  // double-byte character, whose second byte may equal a backslash or a quote), with each
  // backslash stored as the placeholder.
  std::string escaped = ReplaceText(value, "\\", "\\\\");
  escaped = ReplaceText(escaped, "'", "\\'");
  escaped = ReplaceText(escaped, "\"", "\\\"");
  escaped = ReplaceText(escaped, "\r", "\\r");
  escaped = ReplaceText(escaped, "\n", "\\n");
  return "'" + escaped + "'.replace(/\\\\/g, str_Code)";
}

JsonDocument JsonDocument::DocumentFromExpression(const std::string& expression) {
  // The value travels to the new engine as JSON in UTF-16, with its backslash placeholders
  // left as they are: a backslash stored in text form is no JSON escape, and turning it back
  // first would change the value (or make the text invalid JSON); characters outside GBK
  // survive as well.
  JsonDocument document = CreateJsonDocument();
  if (!document.engine_) return document;
  const Variant json = Evaluate(ConcatTexts(kStringifyOpen, expression, ")"));
  document.ParseJsonWide(json.type() == VT_BSTR ? json.ToWide() : std::wstring());
  return document;
}

JsonDocument CreateJsonDocument() {
  JsonDocument document;
  document.Init();
  return document;
}

}  // namespace storvane
