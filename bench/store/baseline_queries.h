// The store's queries in their first, plain form. The benchmark times them beside the store's
// own, and the equivalence test checks that both return the same rows.
#pragma once

namespace baseline {

inline constexpr const char* kGetNotebooks =
    "SELECT nb.id, nb.parent_id, nb.name, nb.sort_order,   (SELECT COUNT(*) FROM notes WHERE "
    "notebook_id=nb.id) AS note_count FROM notebooks nb ORDER BY nb.parent_id, nb.sort_order, "
    "nb.name";

inline constexpr const char* kGetAllNoteTags =
    "SELECT t.id, t.name, COUNT(nt.note_id) as cnt FROM note_tags t LEFT JOIN note_note_tags nt "
    "ON nt.tag_id=t.id GROUP BY t.id, t.name ORDER BY t.name COLLATE NOCASE";

// Followed by the sort term and the direction.
inline constexpr const char* kNotesByNotebook =
    "SELECT n.id, n.notebook_id, nb.name as notebook_name, n.title,        n.summary, "
    "n.created_at, n.updated_at, n.sort_order,        (SELECT COUNT(*) FROM note_note_tags nt "
    "WHERE nt.note_id=n.id) as tag_count FROM notes n JOIN notebooks nb ON nb.id=n.notebook_id "
    "WHERE n.notebook_id=:nbid ORDER BY ";

inline constexpr const char* kNotesByTag =
    "SELECT n.id, n.notebook_id, nb.name as notebook_name, n.title,        n.summary, "
    "n.created_at, n.updated_at, n.sort_order,        (SELECT COUNT(*) FROM note_note_tags nt "
    "WHERE nt.note_id=n.id) as tag_count FROM notes n JOIN notebooks nb ON nb.id=n.notebook_id "
    "JOIN note_note_tags nnt ON nnt.note_id=n.id WHERE nnt.tag_id=:tagid ORDER BY ";

// Followed by " ORDER BY <column> <direction> LIMIT 200".
inline constexpr const char* kSearchFts =
    "SELECT n.id, n.title, n.notebook_id, nb.name as nb_name,   snippet(notes_fts, 2, '<b>', "
    "'</b>', '...', 20) as snip FROM notes_fts JOIN notes n ON n.id = notes_fts.rowid JOIN "
    "notebooks nb ON nb.id = n.notebook_id WHERE notes_fts MATCH :term";

inline constexpr const char* kSearchLike =
    "SELECT n.id, n.title, n.notebook_id, nb.name as nb_name, n.summary as snip FROM notes n JOIN "
    "notebooks nb ON nb.id=n.notebook_id WHERE n.title LIKE :term OR n.body_text LIKE :term OR "
    "n.summary LIKE :term";

inline constexpr const char* kHitTags =
    "SELECT t.name FROM note_tags t JOIN note_note_tags nt ON nt.tag_id=t.id WHERE "
    "nt.note_id=:nid ORDER BY t.name";

} // namespace baseline
