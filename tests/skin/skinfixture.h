// A loaded default skin with the manager switched on and the real form skinner installed.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QWidget>
#include <memory>

#include "skin/FormSkinner.h"
#include "skin/SkinStyle.h"
#include "skin/WinSkinStore.h"
#include "skin/skindata.h"
#include "tests/support/testsupport.h"

// The embedded default skin package.
inline QByteArray DefaultSkinPackage() {
  QFile f(QString::fromLatin1(orvane::skin::DefaultSkinResource));
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A skin component with the default package loaded (null when it does not load).
inline std::unique_ptr<orvane::skin::TSXSkin> LoadedDefaultSkin() {
  auto skin = std::make_unique<orvane::skin::TSXSkin>();
  skin->SetSkinStream(DefaultSkinPackage());
  if (!skin->LoadSkin()) return nullptr;
  skin->Loaded();
  return skin;
}

namespace skin_testing {
// Shows the window and waits until its skinner has activated it; null when it never does.
inline orvane::skin::TFormSkinner* ShowSkinned(QWidget* w) {
  w->show();
  auto* f = dynamic_cast<orvane::skin::TFormSkinner*>(orvane::skin::SkinManager->FindSkinForm(w));
  if (!f || !testing_support::waitUntil([&] { return f->Activated(); })) return nullptr;
  QApplication::processEvents();
  return f;
}
}  // namespace skin_testing

class FormSkinFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    using namespace orvane::skin;
    RegisterFormSkinner();
    skin = LoadedDefaultSkin();
    ASSERT_TRUE(skin);
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

// The skin's style installed over the fixture as well: skinned controls on shown windows.
class StyledSkinFixture : public FormSkinFixture {
 protected:
  void SetUp() override {
    FormSkinFixture::SetUp();
    orvane::skin::InstallSkinStyle();
  }
  void TearDown() override {
    orvane::skin::RemoveSkinStyle();
    FormSkinFixture::TearDown();
  }
  const orvane::skin::TSkinData& D() const { return *skin->Data(); }
  static orvane::skin::TFormSkinner* ShowSkinned(QWidget* w) { return skin_testing::ShowSkinned(w); }
};

// A widget rendered over black.
inline QImage RenderOverBlack(QWidget* w) {
  QImage image(w->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::black);
  w->render(&image);
  return image;
}
