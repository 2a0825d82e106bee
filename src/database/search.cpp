#include "database.h"

TSearchResultArray TDatabase::SearchNotes(const QString& ATerm, TNoteSort ASort, TNoteSortDir ADir)
{
    TSearchResultArray result;
    if (TrimControls(ATerm).isEmpty())
        return result; // the term itself is used as passed

    QString sortCol, sortIndex;
    switch (ASort) {
    case nsByTitle:
        sortCol = QStringLiteral("n.title");
        sortIndex = QStringLiteral("notes_title_keys");
        break;
    case nsByCreated:
        sortCol = QStringLiteral("n.created_at");
        sortIndex = QStringLiteral("notes_created_keys");
        break;
    default:
        sortCol = QStringLiteral("n.updated_at");
        sortIndex = QStringLiteral("notes_updated_keys");
        break;
    }
    const QString order = QStringLiteral(" ORDER BY ") + sortCol + u' ' +
                          (ADir == nsdAsc ? QStringLiteral("ASC") : QStringLiteral("DESC")) +
                          QStringLiteral(" LIMIT 200");

    const QString ftsSelect = QStringLiteral(
        "SELECT n.id, n.title, n.notebook_id, nb.name as nb_name,   snippet(notes_fts, 2, '<b>', "
        "'</b>', '...', 20) as snip FROM notes_fts JOIN notes n ON n.id = notes_fts.rowid JOIN "
        "notebooks nb ON nb.id = n.notebook_id WHERE notes_fts MATCH :term");
    auto q = NewQ();
    try {
        // The snippet of every match would be computed before the ORDER BY picks 200 of them,
        // which costs seconds on a large library. With more matches than that, first take the
        // ids of the 200 that come first in the chosen order by walking the sort key's index,
        // then compute the snippets of those alone.
        q->SetSQL(QStringLiteral("SELECT COUNT(*) FROM (SELECT rowid FROM notes_fts WHERE "
                                 "notes_fts MATCH :term LIMIT 201)"));
        q->BindText("term", ATerm);
        q->Open();
        const bool many = q->AsInt64(0) > 200;
        q->Close();
        if (!many) {
            q->SetSQL(ftsSelect + order);
        } else {
            QStringList ids;
            q->SetSQL(QStringLiteral("SELECT n.id FROM notes n INDEXED BY ") + sortIndex +
                      QStringLiteral(" WHERE n.id IN (SELECT rowid FROM notes_fts WHERE "
                                     "notes_fts MATCH :term) AND n.notebook_id IN (SELECT id "
                                     "FROM notebooks)") +
                      order);
            q->BindText("term", ATerm);
            q->Open();
            while (!q->Eof()) {
                ids << QString::number(q->AsInt64(0));
                q->Next();
            }
            q->Close();
            q->SetSQL(ftsSelect + QStringLiteral(" AND notes_fts.rowid IN (") + ids.join(u',') +
                      u')' + order);
        }
        q->BindText("term", ATerm);
        q->Open();
    } catch (const ESQLiteError&) {
        q->Close();
        q->SetSQL(QStringLiteral("SELECT n.id, n.title, n.notebook_id, nb.name as nb_name, "
                                 "n.summary as snip FROM notes n JOIN notebooks nb ON "
                                 "nb.id=n.notebook_id WHERE n.title LIKE :term OR n.body_text LIKE "
                                 ":term OR n.summary LIKE :term") +
                  order);
        q->BindText("term", u'%' + ATerm + u'%');
        q->Open();
    }
    while (!q->Eof()) {
        TSearchResult r;
        r.NoteId = q->AsInt64("id");
        r.NoteTitle = q->AsText("title");
        r.NotebookId = q->AsInt64("notebook_id");
        r.NotebookName = q->AsText("nb_name");
        r.Snippet = q->AsText("snip");
        auto tq = NewQ();
        tq->SetSQL(QStringLiteral("SELECT t.name FROM note_tags t JOIN note_note_tags nt ON "
                                  "nt.tag_id=t.id WHERE nt.note_id=:nid ORDER BY t.name"));
        tq->BindInt("nid", r.NoteId);
        tq->Open();
        QStringList names;
        while (!tq->Eof()) {
            names << tq->AsText("name");
            tq->Next();
        }
        r.Tags = names.join(QStringLiteral(", "));
        result.push_back(std::move(r));
        q->Next();
    }
    return result;
}
