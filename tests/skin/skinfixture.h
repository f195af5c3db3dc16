// A loaded default skin with the manager switched on and the real form skinner installed.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <memory>

#include "skin/FormSkinner.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"

class FormSkinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace orvane::skin;
    RegisterFormSkinner();
    QFile f(QString::fromLatin1(DefaultSkinResource));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    skin = std::make_unique<TSXSkin>();
    skin->SetSkinStream(f.readAll());
    ASSERT_TRUE(skin->LoadSkin());
    skin->Loaded();
    SkinManager->SetOn(true);
    SkinManager->SetState(TSkinManage::Started);
  }
  void TearDown() override {
    orvane::skin::FreeSkinManager();
    skin.reset();
  }
  // A caption-button record the test may rewrite (restored by the next load).
  orvane::skin::TDataSkinSysButton& Record(size_t i) {
    return const_cast<orvane::skin::TDataSkinSysButton&>(*skin->Data()->SysButtons.at(i));
  }
  std::unique_ptr<orvane::skin::TSXSkin> skin;
};
