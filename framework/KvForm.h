// The base of every form of the framework: form settings, input-method and font preparation
// of its components, two-image glyphs (normal and disabled) for its buttons, conversion of
// its texts to the display code page and the user-interface language of its class chain.
#pragma once

#include <vector>

#include "platform/vcl/Forms.h"

namespace kv {

using vcl::AnsiString;

class TKvForm : public vcl::TForm {
  VCL_DECLARE_COMPONENT(TKvForm)
 public:
  explicit TKvForm(vcl::TComponent* owner);

  // The form's texts have been converted to the display code page once.
  bool Converted = false;
  // Apply the language files when the form is shown.
  bool TranslateOnShow = true;

  // Applies the language packages of the object's class (with ancestors: from the most basic
  // class below the platform's form class to the object's own) to the object.
  virtual void TranslateForm(vcl::TObject* object, bool withAncestors);
  // The same, but a walk with ancestors also leaves TKvForm out.
  virtual void TranslateOwnForm(vcl::TObject* object, bool withAncestors);

  // Converts every text of the form to the display code page, once; sets Converted.
  void ConvertForm();
  // The operating system's and the user interface's code page: "936", "950" or "437".
  AnsiString GetSystemCodePage() const;
  AnsiString GetUICodePage() const;
  // The translated text of `key` in `section` (a class name), or `defaultText`; with
  // `convertDefault` the default is first converted to the display code page.
  void GetLangText(const AnsiString& section, const AnsiString& key, AnsiString& text,
                   bool convertDefault, const AnsiString& defaultText) const;

  // The class names a translation walks, most basic first: from the object's class up to,
  // not including, the platform's form class (and TKvForm as well when `stopAtKvForm`); only
  // the object's own class without ancestors.
  static std::vector<AnsiString> LanguageChain(const vcl::TObject* object, bool withAncestors,
                                               bool stopAtKvForm);

  // Makes `glyph` a two-image strip: the picture as it is, then its disabled image built
  // from the picture's dark and edge pixels (shadow colour, with the highlight colour one
  // pixel down and to the right, on the button face).
  static void MakeDisabledGlyph(vcl::TBitmap& glyph);

 protected:
  // The creation steps that need the form's components: input methods, fonts for an English
  // interface, and the disabled images of button glyphs. A form class calls it at the end of
  // its constructor, once its components exist.
  void PrepareComponents();
  // Gives every single-image glyph of the form's buttons its disabled image.
  void PrepareGlyphs();
  // Applies the language files when TranslateOnShow is set, then the show event.
  void DoShow() override;

 private:
  void ApplyLanguageChain(vcl::TObject* object, const std::vector<AnsiString>& names);
};

}  // namespace kv
