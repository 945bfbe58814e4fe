#pragma once
// A small component with properties of every kind, for the platform layer's tests.
#include <cstdint>
#include <string>

#include "ECPlatform/Component.h"
#include "ECPlatform/Properties.h"

namespace eccrypt::testsupport {

enum class TShade : std::uint8_t { Red, Green, Blue };

class TTestWidget : public ecplatform::TComponent {
 public:
  explicit TTestWidget(ecplatform::TComponent* owner = nullptr) : ecplatform::TComponent(owner) {}

  static std::string_view StaticClassName() { return "TTestWidget"; }
  std::string_view ClassName() const override { return StaticClassName(); }
  const ecplatform::TPropertyList& PublishedProperties() const override {
    static const ecplatform::TPropertyList list{
        ecplatform::StringProperty<TTestWidget>("Caption", &TTestWidget::Caption,
                                                &TTestWidget::SetCaption),
        ecplatform::BooleanProperty<TTestWidget>("Enabled", &TTestWidget::Enabled,
                                                 &TTestWidget::SetEnabled),
        ecplatform::EnumerationProperty<TTestWidget, TShade>(
            "Shade", {"Red", "Green", "Blue"}, &TTestWidget::Shade, &TTestWidget::SetShade),
        ecplatform::IntegerProperty<TTestWidget>("Count", &TTestWidget::Count,
                                                 &TTestWidget::SetCount),
        ecplatform::StringProperty<TTestWidget>("Note", &TTestWidget::Note, &TTestWidget::SetNote),
        // Not stored: streamed only when asked for by name.
        ecplatform::StringProperty<TTestWidget>("Scratch", &TTestWidget::Scratch,
                                                &TTestWidget::SetScratch, false),
    };
    return list;
  }

  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& v) { caption_ = v; }
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool v) { enabled_ = v; }
  TShade Shade() const { return shade_; }
  void SetShade(TShade v) { shade_ = v; }
  std::int16_t Count() const { return count_; }
  void SetCount(std::int16_t v) { count_ = v; }
  const std::string& Note() const { return note_; }
  void SetNote(const std::string& v) { note_ = v; }
  const std::string& Scratch() const { return scratch_; }
  void SetScratch(const std::string& v) { scratch_ = v; }

 private:
  std::string caption_;
  bool enabled_ = false;
  TShade shade_ = TShade::Red;
  std::int16_t count_ = 0;
  std::string note_;
  std::string scratch_;
};

}  // namespace eccrypt::testsupport
