// A program that uses TarnVelloc as an installed package or a subproject would: it creates the
// demo database (the file its argument names, else app.db in the current folder), registers the
// outside components and the component, creates the component by its ProgID, calls Init and
// validates the alias HD of header item 3. Prints the code and the value, "0 华东区" when
// everything works.
#include <tarnvelloc/automation/error.h>
#include <tarnvelloc/automation/factory.h>
#include <tarnvelloc/automation/object.h>
#include <tarnvelloc/automation/text.h>
#include <tarnvelloc/component/entry_points.h>
#include <tarnvelloc/erp/components.h>
#include <tarnvelloc/erp/demo_database.h>

#include <cstdint>
#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
  using tarn::automation::Argument;
  using tarn::automation::Variant;
  if (argc > 2) {
    std::cerr << "usage: consumer [DATABASE-FILE]\n";
    return 2;
  }
  try {
    const std::filesystem::path file = argc == 2 ? argv[1] : "app.db";
    tarn::erp::createDemoDatabase(file);
    tarn::erp::registerComponents();
    tarn::velloc::DllRegisterServer();
    const auto component = tarn::automation::CreateObject(tarn::velloc::kProgId);
    if (!component) {
      std::cerr << "the component could not be created\n";
      return 1;
    }
    const Variant ready = component->call(
        u"Init",
        {Argument::byValue(tarn::erp::sqliteConnectionString(file)), Argument::byValue(u"demo")});
    if (!ready.toBoolean()) {
      std::cerr << "Init returned False\n";
      return 1;
    }
    Variant value(u"HD");
    const Variant code = component->call(
        u"ValidateAr",
        {Argument::byValue(std::int16_t{0}), Argument::byValue(std::int16_t{0}),
         Argument::byValue(u"cdefine3"), Argument::byValue(u""), Argument::byValue(u""),
         Argument::byRef(value), Argument::byValue(u""), Argument::byValue(false)});
    std::cout << code.toInteger() << ' ' << tarn::automation::toUtf8(value.toString()) << '\n';
    return 0;
  } catch (const tarn::automation::AutomationError& failure) {
    std::cerr << failure.what() << '\n';
    return 1;
  }
}
