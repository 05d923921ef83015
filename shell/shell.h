// The application shell: what other folders may use of it.
#pragma once

#include "common/system_text.h"
#include "shell/device_search.h"
#include "shell/device_watch.h"
#include "shell/message_catalogue.h"
