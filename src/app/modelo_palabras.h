#pragma once
// The grid's view of the word list: one column, "Pal", a row per word; the
// record selector (the vertical header) marks the current record. Only the rows
// on screen are ever asked for, so a million words scroll smoothly.

#include "lista/lista_palabras.h"

#include "app/modelo_columna.h"

namespace rimario {

class ModeloPalabras : public ModeloColumnaPal {
    Q_OBJECT
public:
    explicit ModeloPalabras(ListaPalabras &lista, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

signals:
    // An edit could not be written; the message is for the user.
    void errorAlEscribir(const QString &mensaje);

protected:
    int filaMarcada() const override;

private:
    ListaPalabras &lista_;
    qsizetype marcada_ = -1;
    bool moviendo_ = false;
};

} // namespace rimario
