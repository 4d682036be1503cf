#include "Forms.h"
#include "ui/Application.h"

#include "About_form.h"
#include "Config_form.h"

#include <memory>

namespace {
// The application owns the forms; they are destroyed in the reverse order of their creation.
std::unique_ptr<Tform_config> config;
std::unique_ptr<Tform_about> about;
} // namespace

void CreateForms()
{
    ui::ResetApplication();
    config = std::make_unique<Tform_config>();
    form_config = config.get();
    // The About box sets form_about itself before its creation runs the start-up.
    about = std::make_unique<Tform_about>();
}

void DestroyForms()
{
    form_about = nullptr;
    about.reset();
    form_config = nullptr;
    config.reset();
}
