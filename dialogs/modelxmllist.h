#pragma once

#include <QDialog>
#include <QStringList>

class QListWidget;
class QListWidgetItem;
class QPushButton;

// Definition-file test mode: lists every model definition file found under
// the working directory; choosing one loads it in place of the drive's own.
class ModelXmlList : public QDialog
{
    Q_OBJECT

public:
    explicit ModelXmlList(QWidget *parent = nullptr);

    void setFiles(const QStringList &names);
    QStringList files() const;

    // Every "*.xml" below `root`, recursively: a folder's sub-folders before
    // its own files, each level in name order. Paths are relative to `root`'s
    // parent form ("./ParameterFile/x.xml" for root ".").
    static QStringList findXmlFiles(const QString &root);
    // The file names (after the last "/") of those whose path contains
    // "_Parameter_".
    static QStringList definitionFiles(const QStringList &paths);

signals:
    void selectFiles(QString name);

protected:
    void changeEvent(QEvent *event) override;

private:
    void choose(QListWidgetItem *item);
    void retranslate();

    QListWidget *m_list;
    QPushButton *m_load = nullptr;
};
