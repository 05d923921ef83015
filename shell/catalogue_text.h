// Catalogue texts as Qt strings, in the user's language.
#pragma once

#include <QString>

#include "shell/message_catalogue.h"

namespace kvd {

inline QString CatalogueText(MessageEntry entry) {
    const std::string_view text = MessageText(entry);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kvd
