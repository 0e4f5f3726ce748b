#include "util/regex_object.h"

#include <algorithm>
#include <utility>

#include "util/text.h"
#include "util/win_text.h"

namespace storvane {

RegexObject::RegexObject(RegexObject&& other) noexcept
    : com_(std::exchange(other.com_, std::nullopt)),
      expression_(std::move(other.expression_)),
      matches_(std::move(other.matches_)),
      subject_(std::move(other.subject_)) {}

RegexObject& RegexObject::operator=(RegexObject&& other) noexcept {
  if (this != &other) {
    // Our own COM objects go before our share of COM use does.
    Destroy();
    com_ = std::exchange(other.com_, std::nullopt);
    expression_ = std::move(other.expression_);
    matches_ = std::move(other.matches_);
    subject_ = std::move(other.subject_);
  }
  return *this;
}

void RegexObject::Destroy() noexcept {
  matches_.reset();
  expression_.reset();
  subject_ = Variant();
  com_.reset();
}

RegexObject RegexObject::Copy() const {
  RegexObject copy;
  copy.com_.emplace();
  copy.expression_ = expression_.Clone();
  copy.matches_ = matches_.Clone();
  copy.subject_ = subject_.Clone();
  return copy;
}

bool RegexObject::Execute(std::string_view pattern, std::string_view subject, bool caseSensitive, bool multiline,
                          bool global, bool quoteWord) {
  matches_.reset();
  expression_.reset();
  expression_ = CreateObject("VBScript.RegExp");
  subject_ = Variant::FromText(subject);
  if (!expression_) return false;

  IDispatch* re = expression_.get();
  PutProperty(re, "IgnoreCase", !caseSensitive);
  PutProperty(re, "Multiline", multiline);
  PutProperty(re, "Global", global);
  // Lets a caller write a pattern that needs double quotes without escaping them.
  std::string text = quoteWord ? ReplaceText(pattern, "#引号", "\"") : std::string(pattern);
  PutProperty(re, "Pattern", text);

  matches_ = CallMethod(re, "Execute", subject_.Clone()).ToObject();
  return static_cast<bool>(matches_);
}

std::string RegexObject::GetPattern() const {
  if (!expression_) return {};
  return GetTextProperty(expression_.get(), "Pattern");
}

std::string RegexObject::Replace(std::string_view replacement) const {
  if (!expression_) return {};
  return CallMethod(expression_.get(), "Replace", subject_.Clone(), Variant::FromText(replacement)).ToText();
}

int RegexObject::GetMatchCount() const {
  if (!matches_) return 0;
  return GetIntProperty(matches_.get(), "Count");
}

std::string RegexObject::GetMatchText(int match) const { return MatchText(match, std::nullopt, nullptr); }

std::string RegexObject::GetMatchText(int match, int& position) const {
  return MatchText(match, std::nullopt, &position);
}

std::string RegexObject::GetSubMatchText(int match, int group) const { return MatchText(match, group, nullptr); }

std::string RegexObject::GetSubMatchText(int match, int group, int& position) const {
  return MatchText(match, group, &position);
}

int RegexObject::GetSubMatchCount() const {
  if (!matches_) return 0;
  ComPtr<IDispatch> first = GetProperty(matches_.get(), "Item", 0).ToObject();
  if (!first) return 0;
  ComPtr<IDispatch> groups = GetObjectProperty(first.get(), "SubMatches");
  if (!groups) return 0;
  return GetIntProperty(groups.get(), "Count");
}

std::string RegexObject::MatchText(int match, std::optional<int> group, int* position) const {
  if (position != nullptr) *position = -2;
  // Indexes below 1 would reach the component as negative item numbers; they name no match.
  if (!matches_ || match < 1 || (group && *group < 1)) return {};
  ComPtr<IDispatch> item = GetProperty(matches_.get(), "Item", match - 1).ToObject();
  if (!item) return {};

  std::string text;
  if (group) {
    ComPtr<IDispatch> groups = GetObjectProperty(item.get(), "SubMatches");
    if (!groups) return {};
    Variant value = GetProperty(groups.get(), "Item", *group - 1);
    // A group that took no part in the match (or that does not exist) has no position.
    if (value.empty() || value.isNull()) return {};
    text = value.ToText();
  } else {
    text = GetTextProperty(item.get(), "Value");
  }

  if (position != nullptr) {
    long firstIndex = GetIntProperty(item.get(), "FirstIndex");
    bool ignoreCase = GetBoolProperty(expression_.get(), "IgnoreCase");
    *position = LocateInSubject(subject_.ToWide(), text, firstIndex, ignoreCase);
  }
  return text;
}

RegexObject CreateRegexObject() {
  RegexObject object;
  object.com_.emplace();
  object.subject_ = Variant::FromInt(0);
  return object;
}

int LocateInSubject(std::wstring_view subject, std::string_view found, long firstIndex, bool ignoreCase) {
  if (firstIndex < 0 || static_cast<size_t>(firstIndex) > subject.size()) return -2;
  // FirstIndex counts UTF-16 units; the GBK bytes of everything in front of it give the
  // byte offset from which the match (or a group inside it) can begin.
  const int from = static_cast<int>(WideToGbk(subject.substr(0, static_cast<size_t>(firstIndex))).size());
  const std::string text = WideToGbk(subject);
  if (found.empty()) return from <= static_cast<int>(text.size()) ? from : -2;
  const int at = FindText(text, found, from + 1, ignoreCase);
  return at > 0 ? at - 1 : -2;
}

}  // namespace storvane
