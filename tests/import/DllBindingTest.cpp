// Binding the conversion libraries by path and name, and what the user is
// told when that fails.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <QFile>

#include "decoder/ostrel/Ostrel.h"
#include "tests/import/ImportFixture.h"
#include "workflow/DllBinding.h"

namespace {

class DllBindingTest : public ImportTest {};

// What the loader itself says about `path`.
QString LoaderText(const QString& path) {
    void* handle = dlopen(path.toLocal8Bit().constData(), RTLD_NOW | RTLD_LOCAL);
    if (handle) {
        dlclose(handle);
        return QString();
    }
    return QString::fromLocal8Bit(dlerror());
}

}  // namespace

TEST_F(DllBindingTest, ALibraryThatIsMissingOrDoesNotLoadIsNamedInAPromptBox) {
    const QString missing = dir.path("ostrel.so");
    const Result<BoundExport> none = BindDllProc(missing, "Ostrel");
    ASSERT_FALSE(none);
    EXPECT_EQ(FailureCause::Missing, none.failure().cause);
    EXPECT_EQ("找不到文件:" + missing, none.failure().text);
    EXPECT_EQ(FailureNotice::Prompt, none.failure().notice);

    const QString broken = dir.write("pellin.so", "not a library\n");
    const QString reason = LoaderText(broken);
    ASSERT_FALSE(reason.isEmpty());
    const Result<BoundExport> bad = BindDllProc(broken, "Pellin");
    ASSERT_FALSE(bad);
    EXPECT_EQ("无法加载动态链接库 " + broken + ", " + reason, bad.failure().text);
    EXPECT_EQ(FailureNotice::Prompt, bad.failure().notice);
}

TEST_F(DllBindingTest, AMissingExportIsNamedInASystemBoxAndNothingStaysLoaded) {
    const QString path = InstallOstrel(StandIn("without_export"));
    const Result<BoundExport> bound = BindDllProc(path, "Ostrel");
    ASSERT_FALSE(bound);
    EXPECT_EQ("GetProcAddress获取的Ostrel入口为空", bound.failure().text);
    EXPECT_EQ(FailureNotice::SystemPrompt, bound.failure().notice);
    EXPECT_FALSE(IsMapped(path));
    // Shown as the handlers show it.
    ShowFailure(bound.failure());
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ("系统提示信息", messages.all()[0].caption);
}

TEST_F(DllBindingTest, TheDecodersExportIsBoundAndReleasedWithItsLibrary) {
    const QString path = InstallOstrel();
    {
        const Result<BoundExport> bound = BindDllProc(path, "Ostrel");
        ASSERT_TRUE(bound);
        ASSERT_NE(nullptr, bound->function);
        EXPECT_TRUE(IsMapped(path));
        // It is the decoder: a source that is not there is its own result.
        const QString destination = dir.path("out.wav");
        EXPECT_EQ(kOstrelSourceUnopenable,
                  reinterpret_cast<OstrelFunction>(bound->function)(
                      dir.path("missing.mp3").toLocal8Bit().constData(),
                      destination.toLocal8Bit().constData()));
        EXPECT_FALSE(QFile::exists(destination));
    }
    EXPECT_FALSE(IsMapped(path));
}
