#include "sync/path_helpers.h"

#include "runtime/text.h"
#include "sync/main_controls.h"

namespace tarnvel {
namespace {

// Whether the text's last character is the one-byte character c.
bool EndsWithChar(std::string_view text, char c) {
  std::size_t i = 0;
  std::size_t last = std::string_view::npos;
  while (i < text.size()) {
    last = i;
    i += CharLengthAt(text, i);
  }
  return last != std::string_view::npos && i - last == 1 && text[last] == c;
}

std::string DropLastChar(std::string_view text) { return std::string(text.substr(0, text.size() - 1)); }

}  // namespace

std::string MapBetweenRoots(std::string_view path, std::string_view fromRoot, std::string_view toRoot) {
  if (fromRoot.empty() || path.size() < fromRoot.size()) return std::string(path);
  if (FindText(path.substr(0, fromRoot.size()), fromRoot, 1, true) != 1) return std::string(path);
  return std::string(toRoot) + std::string(path.substr(fromRoot.size()));
}

std::string MapToTarget(const MainControls& controls, std::string_view path) {
  return MapBetweenRoots(path, controls.sourceBox.Text(), controls.targetBox.Text());
}

std::string MapToSource(const MainControls& controls, std::string_view path) {
  return MapBetweenRoots(path, controls.targetBox.Text(), controls.sourceBox.Text());
}

TextArray DirectoryPathSteps(std::string_view path) {
  std::string whole = ReplaceSubtext(path, "/", "\\");
  if (EndsWithChar(whole, '\\')) whole = DropLastChar(whole);
  TextArray steps;
  if (whole.empty()) return steps;
  for (std::size_t i = 0; i < whole.size(); i += CharLengthAt(whole, i)) {
    if (whole[i] == '\\' && CharLengthAt(whole, i) == 1) steps.push_back(whole.substr(0, i + 1));
  }
  steps.push_back(whole);
  return steps;
}

std::string NormalisePath(std::string_view path) {
  // Quotes first ("Copy as path" puts a path in them), so that the separator rules see the
  // path itself and a second pass changes nothing.
  std::string text = ReplaceSubtext(ReplaceSubtext(path, "\"", ""), "/", "\\");
  while (FindText(text, "\\\\") != -1) text = ReplaceSubtext(text, "\\\\", "\\");
  std::string working = EndsWithChar(text, '\\') ? DropLastChar(text) : text;
  // The collapse above took one backslash of a share name's "\\"; give it back.
  if (!text.empty() && text[0] == '\\') working = ReplaceSpan(working, 1, 1, "\\\\");
  if (FindText(working, ":") != -1) {
    working = ReplaceSubtext(working, ":", ":\\");
    working = ReplaceSubtext(working, ":\\\\", ":\\");
  }
  return ToLower(working);
}

}  // namespace tarnvel
