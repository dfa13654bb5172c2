-- Directory database tavo_mob: one row per company.

create table m_firma (
    nume_firma varchar(200) not null,
    ip text,
    port integer,
    db_name text,
    activ boolean,
    m_site boolean not null,
    pw_hash_type varchar(23)
);
