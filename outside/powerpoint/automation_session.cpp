#include "automation_session.h"

#include <charconv>

namespace ppt {
namespace {

// Splits off the first blank-separated word; `rest` is what follows its one separating blank.
std::string Word(const std::string &text, std::string &rest) {
  std::size_t blank = text.find(' ');
  if (blank == std::string::npos) {
    rest.clear();
    return text;
  }
  rest = text.substr(blank + 1);
  return text.substr(0, blank);
}

const char *NoPresentation = "error no presentation is open";

}  // namespace

std::string FormatSeconds(float seconds) {
  char buffer[32];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, seconds);
  return std::string(buffer, result.ptr);
}

bool ParseInt(const std::string &text, int &value) {
  const char *first = text.data(), *last = text.data() + text.size();
  auto result = std::from_chars(first, last, value);
  return result.ec == std::errc() && result.ptr == last && !text.empty();
}

std::string TAutomationSession::Handle(const std::string &request) {
  if (request.size() > MaxRequestLength) return "error request too long";
  std::string args;
  std::string verb = Word(request, args);
  int number = 0;
  if (verb == "visible") {
    if (!ParseInt(args, number)) return "error visible needs a number";
    FVisible = number != 0;  // automation mode maps no window either way
    return "ok";
  }
  if (verb == "open") return Open(args);
  if (verb == "count") {
    if (!FSlides) return NoPresentation;
    return "ok " + std::to_string(FSlides->size());
  }
  if (verb == "transition") return Transition(args);
  if (verb == "close") {
    if (!FSlides) return NoPresentation;
    FSlides.reset();
    return "ok";
  }
  if (verb == "quit") {
    FSlides.reset();
    FQuit = true;
    return "ok";
  }
  return "error unknown request \"" + verb + "\"";
}

std::string TAutomationSession::Open(const std::string &args) {
  std::string rest = args, path;
  int flags[3];
  for (int &flag : flags) {
    std::string word = Word(rest, path);
    if (!ParseInt(word, flag)) return "error open needs <readOnly> <untitled> <withWindow> <file name>";
    rest = path;
  }
  if (path.empty()) return "error open needs a file name";
  // The file is only ever read, whatever readOnly says; untitled and withWindow change nothing here.
  try {
    auto slides = ReadPresentationFile(path);
    FSlides = std::move(slides);
    if (OnOpened) OnOpened(path);
    return "ok " + std::to_string(FSlides->size());
  } catch (const EFormatError &e) {
    return "error cannot open " + path + ": " + e.what();
  } catch (const std::bad_alloc &) {
    return "error cannot open " + path + ": not enough memory";
  }
}

std::string TAutomationSession::Transition(const std::string &args) {
  int index = 0;
  if (!ParseInt(args, index)) return "error transition needs a slide number";
  if (!FSlides) return NoPresentation;
  if (index < 1 || std::size_t(index) > FSlides->size())
    return "error slide " + args + " is out of range 1.." + std::to_string(FSlides->size());
  const TSlideTransition &t = (*FSlides)[std::size_t(index - 1)];
  return "ok " + std::string(t.AdvanceOnClick ? "1" : "0") + " " + (t.AdvanceOnTime ? "1" : "0") + " " +
         FormatSeconds(t.AdvanceTime());
}

}  // namespace ppt
