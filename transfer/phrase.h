// The sentences of outcomes in either language: say(english, japanese) picks one.
#pragma once

#include <string>

namespace kvd {

struct Phrase {
    bool japanese;
    std::string operator()(const std::string& english, const std::string& japaneseText) const {
        return japanese ? japaneseText : english;
    }
    // A cause after the sentence, as the other sentences of the program add one.
    std::string With(const std::string& sentence, const std::string& cause) const {
        if (cause.empty()) return sentence;
        return japanese ? sentence + "（" + cause + "）" : sentence + ": " + cause;
    }
};

}  // namespace kvd
