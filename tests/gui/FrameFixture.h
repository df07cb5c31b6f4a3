#pragma once

#include "app/MainFrame.h"
#include "app/PictoriumApp.h"
#include "browse/PictoriumView.h"
#include "support/FakePlatform.h"
#include "support/TempFolder.h"

#include <memory>

namespace veilpane::test {

// The program as it starts, over the fakes: the document, then the main frame with its view.
struct CFrameFixture {
    CFakePlatform Platform;
    std::unique_ptr<CPictoriumApp> App;

    explicit CFrameFixture(bool firstRun = false) {
        if (!firstRun) {
            Platform.SkipFirstRun();
        }
    }
    void Start() {
        App =
            std::make_unique<CPictoriumApp>(Platform.Services(), QStringLiteral("/nonexistent/bin/veilpane"));
    }
    CMainFrame& Frame() const { return App->Frame(); }
    CPictoriumDoc& Doc() const { return App->Doc(); }
};

} // namespace veilpane::test
