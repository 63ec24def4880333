// The whole toolkit in one include, for the application.
#pragma once

#include "toolkit/application.h"
#include "toolkit/binding.h"
#include "toolkit/button.h"
#include "toolkit/command_table.h"
#include "toolkit/frame.h"
#include "toolkit/layout.h"
#include "toolkit/menu.h"
#include "toolkit/message_box.h"
#include "toolkit/status_bar.h"
#include "toolkit/text_ctrl.h"
#include "toolkit/window.h"
#include "toolkit/window_proc.h"
#include "toolkit/workers.h"
