#include "win/Registry.h"
#include "TestSupport.h"
#include "win/LibraryError.h"
#include "win/Mutex.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

using testing_support::TempInstall;

TEST(Registry, ReadsStringValuesOfAnExport)
{
    TempInstall install;
    install.writeRegistry("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\Software\\Norvane\\Stylara]\r\n"
                          "\"Dir\"=\"C:\\\\Stylara\"\r\n\"Quote\"=\"a\\\"b\"\r\n\"Count\"=dword:00000002\r\n");
    win::Registry registry(win::Registry::Root::LocalMachine);
    ASSERT_TRUE(registry.openKey("software\\NORVANE\\Stylara", false));
    EXPECT_EQ(registry.readString("dir"), "C:\\Stylara");
    EXPECT_EQ(registry.readString("Quote"), "a\"b");
    EXPECT_EQ(registry.readString("Missing"), "");
    EXPECT_THROW(registry.readString("Count"), win::LibraryError) << "not a string";

    win::Registry user(win::Registry::Root::CurrentUser);
    EXPECT_FALSE(user.openKey("Software\\Norvane\\Stylara", false)) << "other root";
    EXPECT_EQ(user.readString("Dir"), "");
}

TEST(Registry, MissingFileIsAnEmptyRegistryAndJunkRaises)
{
    TempInstall install;
    setenv("STYLARA_REGISTRY", (install.root() + "/none.reg").c_str(), 1);
    win::Registry empty(win::Registry::Root::LocalMachine);
    EXPECT_FALSE(empty.openKey("Software\\Norvane\\Stylara", false));
    EXPECT_EQ(empty.readString("Dir"), "");

    install.writeRegistry("this is not an export\n");
    setenv("STYLARA_REGISTRY", (install.root() + "/system.reg").c_str(), 1);
    win::Registry junk(win::Registry::Root::LocalMachine);
    EXPECT_THROW(junk.openKey("Software\\Norvane\\Stylara", false), win::LibraryError);
}

TEST(NamedMutex, SecondHolderIsRefusedUntilReleased)
{
    TempInstall install;
    win::NamedMutex first("TEST.MUTEX");
    win::NamedMutex second("TEST.MUTEX");
    ASSERT_TRUE(first.create());
    EXPECT_FALSE(second.create());
    first.release();
    EXPECT_TRUE(second.create());
}

TEST(NamedMutex, ALockThatCannotBeMadeIsNoOtherInstance)
{
    TempInstall install;
    // A folder in the lock file's place: no lock can be made there.
    std::filesystem::create_directory(install.root() + "/run/TEST.MUTEX.lock");
    win::NamedMutex mutex("TEST.MUTEX");
    EXPECT_TRUE(mutex.create());
    EXPECT_FALSE(mutex.held());
}
