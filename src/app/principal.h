#pragma once
// Principal: the one window of the rhyming dictionary. The controls bear the
// names the program has always used (Ind, DB, Pal, RT, WB, SS, DR(k)...), and
// each user action is a handler named after its control and event.

#include "app/etiqueta_ajustada.h"
#include "lookup/servicios.h"

#include <QWidget>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QModelIndex;
class QPushButton;
class QTabWidget;
class QTableView;
class QTextEdit;

namespace rimario {

class Almacen;
class ListaPalabras;
class ModeloPalabras;
class ModeloRimas;
class PanelWeb;
class TallerVersos;

class Principal : public QWidget {
    Q_OBJECT
public:
    // 'almacen' is the store file ("data.lop" in the program's directory);
    // 'panel' the browser pane, which the window takes as its child.
    Principal(QString almacen, PanelWeb *panel, QWidget *parent = nullptr);
    ~Principal() override;

    // Start-up: places the window, puts the state to idle and opens the store.
    // Throws ErrorAlmacen when the store cannot be opened.
    void Form_Load();
    // After the window is shown: the word list opens on its first word.
    void abrirLista();

    // ---- handlers
    void Ind_Change();
    void Ind_Click();
    void DB_RowColChange();
    void Gua_Click();
    void Eli_Click();
    void Rima_Click();
    void SS_Click(int tabAnterior);
    void DR_RowColChange(int indice);
    void Voc_Click();
    void Buscar_Click();
    void WB_DocumentComplete(const QUrl &direccion);
    void Sinon_Click();
    void Command1_Click();
    void Vocal_Click();

    // ---- controls
    QLineEdit *Ind = nullptr;
    QTableView *DB = nullptr;
    QPushButton *Eli = nullptr;
    QPushButton *Voc = nullptr;
    QTabWidget *SS = nullptr;
    std::array<QTableView *, 6> DR{};
    EtiquetaAjustada *Cuenta = nullptr;
    QCheckBox *MT = nullptr;
    QPushButton *Rima = nullptr;
    QTextEdit *RT = nullptr;
    PanelWeb *WB = nullptr;
    QLineEdit *Pal = nullptr;
    QPushButton *Buscar = nullptr;
    QPushButton *Sinon = nullptr;
    QPushButton *Gua = nullptr;
    QPushButton *Command1 = nullptr;
    QPushButton *Vocal = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    std::array<QLabel *, 6> Eti{};
    // The verse workshop, a window of its own (Ctrl+T); its F7 and F8 fill the current grid.
    TallerVersos *Taller = nullptr;

    // ---- data sources and state
    ListaPalabras *DPal = nullptr;
    std::array<ModeloRimas *, 6> DRim{};
    bool sw = false;
    bool Buscando = false;

    Almacen *almacen() const { return almacen_.get(); }
    const Servicios &servicios() const { return servicios_; }
    void ponerServicios(const Servicios &s) { servicios_ = s; }

    // Tags of the controls, as texts.
    static QString tag(const QWidget *w);
    static void ponerTag(QWidget *w, const QString &texto);

signals:
    // An archiving finished (true) or stopped on an error (false).
    void archivado(bool ok);

protected:
    bool eventFilter(QObject *objeto, QEvent *evento) override;
    bool focusNextPrevChild(bool siguiente) override;
    void showEvent(QShowEvent *evento) override;

private:
    void construir();
    void ordenDeTabulacion();
    bool puedeTenerFoco(QWidget *w) const;
    void moverDB(qsizetype pos);
    void avisar(const QString &mensaje);
    bool rehusarSiSoloLectura();
    void terminarArchivo(bool copiada);
    void menuDePalabra(const QString &palabra, const QPoint &donde);
    void rimasPorClaveDe(const QString &palabra, bool consonante);
    void mostrarSig(const std::optional<QString> &sig);
    static bool textoABooleano(const QString &texto);
    static QString booleanoATexto(bool valor);

    QString rutaAlmacen_;
    std::unique_ptr<Almacen> almacen_;
    ModeloPalabras *modeloDB_ = nullptr;
    Servicios servicios_;
    bool moviendoDB_ = false;
    bool movidoEnRejilla_ = false;
    bool archivando_ = false;
    // The synonym or English lookup under way, answered offline if the service fails.
    std::optional<std::pair<FuenteSinConexion, QString>> consultaSinConexion_;
    bool mismasSilabas_ = false; // the consonant and assonant searches: same syllable count only
    bool tamanoFijado_ = false;
    std::vector<QWidget *> ordenFoco_;
};

} // namespace rimario
