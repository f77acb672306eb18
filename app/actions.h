// The handlers behind the window's buttons, fields and list: each runs on the
// window's thread, inside the event that the App dispatches to it.
#pragma once

#include "app/app_context.h"

namespace phpswitch {

// 按钮_切换, 按钮_恢复, 按钮3: the link at the target path and its PHP.
void switchVersion(AppContext& app);
void deleteLink(AppContext& app);
void testPhp(AppContext& app);

// 按钮1, 按钮2: the target path on the machine-wide search path.
void addTargetToPath(AppContext& app);
void removeTargetFromPath(AppContext& app);

// The path fields and the directory list.
void saveIfReady(AppContext& app);
void normalizePathField(AppContext& app, const Text& field);
void browseTargetPath(AppContext& app);
void browseVersionPath(AppContext& app);
void takeListSelection(AppContext& app);
void fillDirectoryList(AppContext& app);

}  // namespace phpswitch
