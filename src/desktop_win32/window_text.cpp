#include "desktop_win32/window_text.h"

#include <vector>

#include "util/wide_text.h"

namespace q7310::win32 {

void SetText(HWND window, std::string_view text) {
  SetWindowTextW(window, Widen(std::string(text)).c_str());
}

std::string GetText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), length + 1)));
  return Narrow(text);
}

void SetItemText(HWND dialog, int id, std::string_view text) {
  SetText(GetDlgItem(dialog, id), text);
}

std::string GetItemText(HWND dialog, int id) {
  return GetText(GetDlgItem(dialog, id));
}

void SetItemTexts(HWND dialog, std::span<const ControlText> texts) {
  for (const ControlText& item : texts) SetItemText(dialog, item.id, item.text);
}

int MessageBoxUtf8(HWND owner, std::string_view text, std::string_view detail,
                   std::string_view caption, UINT type) {
  std::string whole(text);
  if (!detail.empty()) whole += "\n\n" + std::string(detail);
  return MessageBoxW(owner, Widen(whole).c_str(), Widen(std::string(caption)).c_str(), type);
}

std::wstring FileDialogFilter(std::string_view qtFilter) {
  std::wstring filter;
  size_t start = 0;
  while (start <= qtFilter.size()) {
    size_t end = qtFilter.find(";;", start);
    if (end == std::string_view::npos) end = qtFilter.size();
    const std::string_view entry = qtFilter.substr(start, end - start);
    const size_t open = entry.rfind('(');
    const size_t close = entry.rfind(')');
    if (!entry.empty() && open != std::string_view::npos && close != std::string_view::npos &&
        open < close) {
      // The patterns between the brackets, separated by blanks there and by ';' here.
      std::string patterns;
      std::string_view rest = entry.substr(open + 1, close - open - 1);
      while (!rest.empty()) {
        const size_t blank = rest.find(' ');
        std::string pattern(rest.substr(0, blank));
        if (pattern == "*") pattern = "*.*";
        if (!pattern.empty()) patterns += (patterns.empty() ? "" : ";") + pattern;
        if (blank == std::string_view::npos) break;
        rest.remove_prefix(blank + 1);
      }
      filter += Widen(std::string(entry));
      filter += L'\0';
      filter += Widen(patterns);
      filter += L'\0';
    }
    start = end + 2;
  }
  filter += L'\0';
  return filter;
}

}  // namespace q7310::win32
