-- SQLite
-- The text of every page of the stored documents, for full-text search, and the
-- state of each document's reading. The component creates these tables when they
-- are missing; a host may create them itself from this file. Body holds the page's
-- text in search form; Pairs its character pairs (terms of one or two characters);
-- Words the words with their boxes.
CREATE TABLE IF NOT EXISTS Original_PageText (
    Row integer PRIMARY KEY,
    ID varchar(40) NOT NULL,
    Page integer NOT NULL,
    Body text NOT NULL,
    Pairs text NOT NULL,
    Words text,
    UNIQUE (ID, Page)
);
CREATE VIRTUAL TABLE IF NOT EXISTS Original_PageText_Body USING fts5(
    Body, content='Original_PageText', content_rowid='Row', tokenize='trigram');
CREATE VIRTUAL TABLE IF NOT EXISTS Original_PageText_Pairs USING fts5(
    Pairs, content='Original_PageText', content_rowid='Row', tokenize='ascii', prefix='7', detail='none');
CREATE TRIGGER IF NOT EXISTS Original_PageText_Added AFTER INSERT ON Original_PageText BEGIN
    INSERT INTO Original_PageText_Body (rowid, Body) VALUES (new.Row, new.Body);
    INSERT INTO Original_PageText_Pairs (rowid, Pairs) VALUES (new.Row, new.Pairs);
END;
CREATE TRIGGER IF NOT EXISTS Original_PageText_Removed AFTER DELETE ON Original_PageText BEGIN
    INSERT INTO Original_PageText_Body (Original_PageText_Body, rowid, Body) VALUES ('delete', old.Row, old.Body);
    INSERT INTO Original_PageText_Pairs (Original_PageText_Pairs, rowid, Pairs) VALUES ('delete', old.Row, old.Pairs);
END;
-- State: busy (claimed by Owner at ClaimedAt, seconds since 1970), done or failed.
CREATE TABLE IF NOT EXISTS Original_TextState (
    ID varchar(40) NOT NULL PRIMARY KEY,
    State varchar(10) NOT NULL,
    Owner varchar(100),
    ClaimedAt bigint,
    Tries integer,
    Message varchar(500)
);
