#include "Forms.h"

#include "About_form.h"
#include "Config_form.h"
#include "Loading_form.h"
#include "Pref_form.h"
#include "Printers_form.h"
#include "signing/Adobe_form.h"
#include "signing/Images_form.h"
#include "signing/Waiting_form.h"
#include "sigplus/SigPlus.h"
#include "ui/Application.h"

#include <QSystemTrayIcon>

#include <memory>

namespace {
// The application owns the forms; they are destroyed in the reverse order of their creation.
struct Forms {
    std::unique_ptr<Tform_config> config;
    std::unique_ptr<Tform_adobe> adobe;
    std::unique_ptr<Tform_loading> loading;
    std::unique_ptr<Tform_images> images;
    std::unique_ptr<Tform_waiting> waiting;
    std::unique_ptr<Tform_pref> pref;
    std::unique_ptr<Tform_printers> printers;
    std::unique_ptr<Tform_about> about;

    // A process that ends without DestroyForms leaves its forms to the system: by the time statics go,
    // caches of Qt that the widgets would free into may be gone already.
    ~Forms() { [](auto&... form) { (form.release(), ...); }(config, adobe, loading, images, waiting, pref, printers, about); }
};
Forms forms;

} // namespace

void CreateForms()
{
    ui::ResetApplication();
    forms.config = std::make_unique<Tform_config>();
    form_config = forms.config.get();
    forms.adobe = std::make_unique<Tform_adobe>();
    form_adobe = forms.adobe.get();
    // A desktop without a system tray offers the tray's menu on the virtual pad instead.
    if (!QSystemTrayIcon::isSystemTrayAvailable()) {
        QWidget* pad = form_adobe->SigPlus1->virtualPad();
        QObject::connect(pad, &QWidget::customContextMenuRequested, form_config, ui::guarded([pad](QPoint at) {
                             const QPoint screen = pad->mapToGlobal(at);
                             form_config->trayiconMouseDown(Qt::RightButton, screen.x(), screen.y());
                         }));
    }
    forms.loading = std::make_unique<Tform_loading>();
    form_loading = forms.loading.get();
    forms.images = std::make_unique<Tform_images>();
    form_images = forms.images.get();
    forms.waiting = std::make_unique<Tform_waiting>();
    form_waiting = forms.waiting.get();
    forms.pref = std::make_unique<Tform_pref>();
    form_pref = forms.pref.get();
    forms.printers = std::make_unique<Tform_printers>();
    form_printers = forms.printers.get();
    // The About box sets form_about itself before its creation runs the start-up.
    forms.about = std::make_unique<Tform_about>();
}

void DestroyForms()
{
    form_about = nullptr;
    forms.about.reset();
    form_printers = nullptr;
    forms.printers.reset();
    form_pref = nullptr;
    forms.pref.reset();
    form_waiting = nullptr;
    forms.waiting.reset();
    form_images = nullptr;
    forms.images.reset();
    form_loading = nullptr;
    forms.loading.reset();
    form_adobe = nullptr;
    forms.adobe.reset();
    form_config = nullptr;
    forms.config.reset();
}
