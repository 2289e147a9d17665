-- PostgreSQL
-- The text of every page of the stored documents, for full-text search, and the
-- state of each document's reading. The component creates these tables when they
-- are missing; a host may create them itself from this file. Body holds the page's
-- text in search form; Pairs its character pairs (terms of one or two characters,
-- which trigrams cannot find); Words the words with their boxes. The trigram index
-- needs the pg_trgm extension; without it searches of three characters and more
-- read the table. Trigrams see Chinese only under a locale that classes it as
-- letters (C.UTF-8 does).
CREATE TABLE IF NOT EXISTS Original_PageText (
    ID varchar(40) NOT NULL,
    Page integer NOT NULL,
    Body text NOT NULL,
    Pairs tsvector NOT NULL,
    Words text,
    PRIMARY KEY (ID, Page)
);
CREATE INDEX IF NOT EXISTS Original_PageText_Pairs ON Original_PageText USING gin (Pairs);
-- optional
CREATE EXTENSION IF NOT EXISTS pg_trgm;
-- optional
CREATE INDEX IF NOT EXISTS Original_PageText_Body ON Original_PageText USING gin (Body gin_trgm_ops);
-- State: busy (claimed by Owner at ClaimedAt, seconds since 1970), done or failed.
CREATE TABLE IF NOT EXISTS Original_TextState (
    ID varchar(40) NOT NULL PRIMARY KEY,
    State varchar(10) NOT NULL,
    Owner varchar(100),
    ClaimedAt bigint,
    Tries integer,
    Message varchar(500)
);
