#include "shell/desktop_texts.h"

namespace kvd {

std::string_view Say(const MessagePair& pair, uint16_t langId) {
    return langId == kLangIdJapanese ? pair.japanese : pair.english;
}

std::string_view Say(const MessagePair& pair) {
    return Say(pair, g_userLangId.load(std::memory_order_relaxed));
}

std::string NewTripsText(int count, uint16_t langId) {
    const std::string n = std::to_string(count);
    if (langId == kLangIdJapanese) return "KVD-2730 に新しいトリップが " + n + " 件あります";
    return n + (count == 1 ? " new trip" : " new trips") + " on the KVD-2730";
}

std::string UnsavedDeleteQuestion(const std::vector<std::string>& logs, const std::string& folder,
                                  uint16_t langId) {
    std::string list;
    for (const std::string& log : logs) list += "\n    " + log;
    if (langId == kLangIdJapanese)
        return "次のログは保存先フォルダー " + folder + " にまだ保存されていません:" + list +
               "\n\n装置から削除しますか？";
    return "These logs are not saved in the folder " + folder + " yet:" + list +
           "\n\nDelete them from the device?";
}

}  // namespace kvd
