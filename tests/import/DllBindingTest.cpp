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

TEST_F(DllBindingTest, AMissingFileIsNamed) {
    const QString path = dir.path("ostrel.so");
    platform::DynamicLibrary library = LoadDll(path);
    EXPECT_FALSE(library.loaded());
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ(RecordedMessage::MessageBox, messages.all()[0].kind);
    EXPECT_EQ("找不到文件:" + path, messages.all()[0].text);
    EXPECT_EQ("提示", messages.all()[0].caption);
}

TEST_F(DllBindingTest, AFileThatDoesNotLoadGivesTheLoadersReason) {
    const QString path = dir.write("ostrel.so", "not a library\n");
    const QString reason = LoaderText(path);
    ASSERT_FALSE(reason.isEmpty());
    platform::DynamicLibrary library = LoadDll(path);
    EXPECT_FALSE(library.loaded());
    ASSERT_EQ(1, messages.all().size());
    EXPECT_EQ("无法加载动态链接库 " + path + ", " + reason, messages.all()[0].text);
    EXPECT_EQ("提示", messages.all()[0].caption);
}

TEST_F(DllBindingTest, AMissingExportIsNamedAndNothingStaysLoaded) {
    const QString path = InstallOstrel(StandIn("without_export"));
    {
        platform::DynamicLibrary library = LoadDll(path);
        ASSERT_TRUE(library.loaded());
        EXPECT_TRUE(messages.all().isEmpty());
        EXPECT_NE(nullptr, GetDllProc(library, "OstrelVersion"));
        EXPECT_TRUE(messages.all().isEmpty());
        EXPECT_EQ(nullptr, GetDllProc(library, "Ostrel"));
        ASSERT_EQ(1, messages.all().size());
        EXPECT_EQ("GetProcAddress获取的Ostrel入口为空", messages.all()[0].text);
        EXPECT_EQ("系统提示信息", messages.all()[0].caption);
    }
    messages.clear();

    platform::DynamicLibrary library;
    void* function = nullptr;
    EXPECT_FALSE(BindDllProc(path, "Ostrel", library, function));
    EXPECT_FALSE(library.loaded());
    EXPECT_FALSE(IsMapped(path));
    EXPECT_EQ(QStringList{"GetProcAddress获取的Ostrel入口为空"}, messages.texts());
}

TEST_F(DllBindingTest, BindingAMissingLibraryShowsOnlyThatItIsMissing) {
    const QString path = dir.path("pellin.so");
    platform::DynamicLibrary library;
    void* function = nullptr;
    EXPECT_FALSE(BindDllProc(path, "Pellin", library, function));
    EXPECT_FALSE(library.loaded());
    EXPECT_EQ(QStringList{"找不到文件:" + path}, messages.texts());
}

TEST_F(DllBindingTest, TheDecodersExportIsBoundAndReleasedWithItsLibrary) {
    const QString path = InstallOstrel();
    {
        platform::DynamicLibrary library;
        void* function = nullptr;
        ASSERT_TRUE(BindDllProc(path, "Ostrel", library, function));
        EXPECT_TRUE(library.loaded());
        ASSERT_NE(nullptr, function);
        EXPECT_TRUE(IsMapped(path));
        // It is the decoder: a source that is not there is its own result.
        const QString destination = dir.path("out.wav");
        EXPECT_EQ(kOstrelSourceUnopenable, reinterpret_cast<OstrelFunction>(function)(
                                               dir.path("missing.mp3").toLocal8Bit().constData(),
                                               destination.toLocal8Bit().constData()));
        EXPECT_FALSE(QFile::exists(destination));
    }
    EXPECT_FALSE(IsMapped(path));
    EXPECT_TRUE(messages.all().isEmpty());
}
