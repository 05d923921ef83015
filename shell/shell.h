// The application shell: what other folders may use of it.
#pragma once

#include "shell/message_catalogue.h"
