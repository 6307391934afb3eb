// Level texts, retitling and the help-file path rule.
#include "app/shell_text.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace qv {

std::string namedLevelText(int index) {
    if (index < 0 || index >= static_cast<int>(std::size(namedLevels))) index = 0;
    return std::string(namedLevels[index]);
}

int levelMillivolts(int level) { return 5500 - level * 4000 / 255; }

std::string voltsLevelText(int level) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3gV", levelMillivolts(level) / 1000.0);
    return text;
}

std::string retitledCaption(std::string_view currentTitle, std::string_view newCaption,
                            std::span<const std::string> untitledForms, std::string_view newUntitled) {
    std::string title(newCaption);
    for (const std::string& form : untitledForms) {
        if (!form.empty() && currentTitle.find(form) != std::string_view::npos) return title.append(newUntitled);
    }
    const auto dash = currentTitle.find(" - ");
    if (dash != std::string_view::npos) title.append(currentTitle.substr(dash));
    return title;
}

std::string programDirectoryFromCommandLine(std::string_view commandLine) {
    // The program's own name ends its path whether the path is quoted or not and whatever follows;
    // counting a fixed number of characters back from the end of the line would not survive an
    // unquoted path, an argument or a line shorter than the count.
    // Windows file names ignore case ("qv.exe" starts the same program), and a folder may carry
    // the name too (C:\QV.exe.d\QV.exe): the last match is the program's own.
    std::string folded(commandLine);
    std::transform(folded.begin(), folded.end(), folded.begin(), [](unsigned char c) { return std::tolower(c); });
    const auto name = folded.rfind("qv.exe");
    if (name == std::string::npos) return {};
    std::string_view directory = commandLine.substr(0, name);
    if (!directory.empty() && directory.front() == '"') directory.remove_prefix(1);
    if (!directory.empty() && (directory.back() == '\\' || directory.back() == '/')) directory.remove_suffix(1);
    return std::string(directory);
}

std::string helpFilePath(std::string_view directory, bool htmlHelpInstalled, std::string_view chmName,
                         std::string_view hlpName) {
    std::string path(directory);
    path.append(htmlHelpInstalled ? chmName : hlpName);
    return path;
}

HelpKind helpKind(std::string_view path) {
    if (path.find(".chm") != std::string_view::npos) return HelpKind::Html;
    std::string upper(path);
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    if (upper.find(".HLP") != std::string::npos) return HelpKind::WinHelp;
    return HelpKind::None;
}

} // namespace qv
