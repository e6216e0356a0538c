#include "gui/lattice/ErrorInfoWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QVBoxLayout>

namespace trevasc {

namespace {

// A square root over `radicand`: the sign followed by the radicand under a bar.
QString Root(const QString& radicand) {
    return QStringLiteral("√<span style=\"text-decoration: overline\">&nbsp;") + radicand +
           QStringLiteral("&nbsp;</span>");
}

}  // namespace

QString ErrorInfoWindow::InfoHtml() {
    const QString formulaStyle =
        QStringLiteral("style=\"font-family: 'DejaVu Serif', serif; font-size: 14pt\"");
    QString html;
    html += "<p><b>Error of the arithmetic mean</b></p>";
    html +=
        "<p>The standard error of the mean of the measured lattice spacings "
        "d<sub>i</sub> (n values, mean d̄):</p>";
    html += "<p align=\"center\" " + formulaStyle +
            ">s / √n = " + Root("Σ (d<sub>i</sub> − d̄)² / ( n (n − 1) )") + "</p>";
    html += "<p><b>Error of the Nelson-Riley value</b></p>";
    html +=
        "<p>Error propagation of the linear regression y = k·x + a<sub>0</sub>, with "
        "x<sub>i</sub> the Nelson-Riley-transformed angles "
        "cos²θ<sub>i</sub>/sin θ<sub>i</sub> + cos²θ<sub>i</sub>/θ<sub>i</sub>, "
        "y<sub>i</sub> the measured lattice spacings and ŷ<sub>i</sub> the values of the "
        "fit:</p>";
    html += "<p align=\"center\" " + formulaStyle + ">Δa<sub>0</sub> = " +
            Root(
                "Σx<sub>i</sub>² · Σ (y<sub>i</sub> − ŷ<sub>i</sub>)² / "
                "( (n − 2) ( n Σx<sub>i</sub>² − (Σx<sub>i</sub>)² ) )") +
            "</p>";
    html += "<p>With two peaks the line passes through both points and the error is 0.</p>";
    html +=
        "<p>n counts the peaks with a multiple of at least 1: a peak whose spacing exceeds "
        "twice the expected lattice constant (multiple 0, shown as \"-\") takes no part in "
        "the mean, the fit or their errors.</p>";
    return html;
}

ErrorInfoWindow::ErrorInfoWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("ErrorInfoWindow");
    setWindowTitle("Error calculation info");
    auto* layout = new QVBoxLayout(this);
    auto* text = new QLabel(InfoHtml(), this);
    text->setObjectName("InfoText");
    text->setTextFormat(Qt::RichText);
    text->setWordWrap(true);
    text->setMinimumWidth(560);
    layout->addWidget(text);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::hide);
    layout->addWidget(buttons);
}

}  // namespace trevasc
