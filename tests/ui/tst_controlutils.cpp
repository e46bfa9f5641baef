// Control utilities: check-list codes, item objects of combo and list boxes, group lists in controls.
#include "ui/ControlUtils.h"

#include <QComboBox>
#include <QListWidget>
#include <QTest>

namespace {

const TGroupList Groups = {{"", 0}, {"Trackers [R]", 7}, {"ads", 3}, {"Ads2 [X]", 12}};

// "1" for a checked item, "0" for an unchecked one, in item order.
QString Checks(const QListWidget& list)
{
    QString marks;
    for (int i = 0; i < list.count(); ++i)
        marks += list.item(i)->checkState() == Qt::Checked ? '1' : '0';
    return marks;
}

QStringList Texts(const QComboBox& combo)
{
    QStringList texts;
    for (int i = 0; i < combo.count(); ++i)
        texts << combo.itemText(i);
    return texts;
}

}   // namespace

class TestControlUtils : public QObject {
    Q_OBJECT

private slots:
    void checkListSelect_data();
    void checkListSelect();
    void comboObject_data();
    void comboObject();
    void listObject_data();
    void listObject();
    void sortedComboPutsBlankFirst();
};

void TestControlUtils::checkListSelect_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("after");

    QTest::newRow("A checks all") << "0100"
                                  << "A"
                                  << "1111";
    QTest::newRow("a checks all") << "0100"
                                  << "a"
                                  << "1111";
    QTest::newRow("R inverts") << "0110"
                               << "R"
                               << "1001";
    QTest::newRow("r inverts") << "0110"
                               << "r"
                               << "1001";
    QTest::newRow("N unchecks all") << "1101"
                                    << "N"
                                    << "0000";
    QTest::newRow("n unchecks all") << "1101"
                                    << "n"
                                    << "0000";
    QTest::newRow("x unchecks all") << "1111"
                                    << "x"
                                    << "0000";
    QTest::newRow("empty code unchecks all") << "1010"
                                             << ""
                                             << "0000";
    QTest::newRow("AR is not A") << "0000"
                                 << "AR"
                                 << "0000";
}

void TestControlUtils::checkListSelect()
{
    QFETCH(QString, before);
    QFETCH(QString, code);
    QFETCH(QString, after);

    QListWidget list;
    SetGroupItems(&list, Groups, true);
    for (int i = 0; i < list.count(); ++i)
        list.item(i)->setCheckState(before[i] == '1' ? Qt::Checked : Qt::Unchecked);
    CheckListSelect(&list, code.toStdString());
    QCOMPARE(Checks(list), after);
}

void TestControlUtils::comboObject_data()
{
    QTest::addColumn<int>("select");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing selected") << -1 << -1;
    QTest::newRow("blank item") << 0 << 0;
    QTest::newRow("a group") << 2 << 3;
    QTest::newRow("last group") << 3 << 12;
}

void TestControlUtils::comboObject()
{
    QFETCH(int, select);
    QFETCH(int, expected);

    QComboBox combo;
    SetGroupItems(&combo, Groups);
    QCOMPARE(ComboObject(&combo), -1);   // a fresh fill selects nothing
    combo.setCurrentIndex(select);
    QCOMPARE(ComboObject(&combo), expected);
}

void TestControlUtils::listObject_data()
{
    QTest::addColumn<int>("select");
    QTest::addColumn<int>("expected");

    QTest::newRow("nothing selected") << -1 << -1;
    QTest::newRow("blank item") << 0 << 0;
    QTest::newRow("a group") << 1 << 7;
}

void TestControlUtils::listObject()
{
    QFETCH(int, select);
    QFETCH(int, expected);

    QListWidget list;
    SetGroupItems(&list, Groups);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setCurrentRow(select);
    QCOMPARE(ListObject(&list), expected);
}

void TestControlUtils::sortedComboPutsBlankFirst()
{
    QComboBox combo;
    SetGroupItems(&combo, Groups, true);
    QCOMPARE(Texts(combo), QStringList({"", "ads", "Ads2 [X]", "Trackers [R]"}));
    combo.setCurrentIndex(2);
    QCOMPARE(ComboObject(&combo), 12);
}

QTEST_MAIN(TestControlUtils)
#include "tst_controlutils.moc"
